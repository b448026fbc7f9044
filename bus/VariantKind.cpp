#include "bus/VariantKind.h"

namespace QVPlugin {

VariantKind ClassifyVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return VariantKind::Empty;
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
        return VariantKind::Integer;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return VariantKind::String;
    default:
        return VariantKind::Other;
    }
}

} // namespace QVPlugin
