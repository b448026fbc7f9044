#pragma once
// The kinds of value that configuration storage tells apart: nothing, an
// integer of at most 32 bits (booleans included), text, and everything else
// (floating point, dates, 64-bit integers, lists, objects).

#include <QVariant>

namespace QVPlugin {

enum class VariantKind { Empty, Integer, String, Other };

VariantKind ClassifyVariant(const QVariant &value);

} // namespace QVPlugin
