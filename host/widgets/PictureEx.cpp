#include "host/widgets/PictureEx.h"

#include "host/HostLog.h"

#include <QFile>
#include <QPainter>

CPictureEx::CPictureEx(QWidget *parent)
    : QWidget(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CPictureEx::NextFrame);
}

CPictureEx::~CPictureEx()
{
    Stop();
}

bool CPictureEx::LoadFromResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcHost) << "No picture resource" << path;
        Unload();
        return false;
    }
    return Load(file.readAll());
}

bool CPictureEx::Load(const QByteArray &data)
{
    Unload();
    if (IsGifData(data)) {
        const std::optional<GifFile> file = ParseGif(data);
        if (!file || file->frames.isEmpty())
            return false;
        m_isGif = true;
        if (file->background)
            m_background = *file->background;
        if (file->frames.size() > 1) {
            QList<GifFrame> frames = DecodeGifFrames(*file);
            if (frames.isEmpty()) {
                Unload();
                return false;
            }
            m_size = file->screen;
            m_player.Start(std::move(frames), m_size, m_background);
            resize(m_size);
            updateGeometry();
            return true;
        }
    }
    m_still = QImage::fromData(data);
    if (m_still.isNull()) {
        Unload();
        return false;
    }
    m_size = m_still.size();
    m_canvas = QImage(m_size, QImage::Format_ARGB32_Premultiplied);
    m_canvas.fill(m_background);
    resize(m_size);
    updateGeometry();
    return true;
}

bool CPictureEx::Draw()
{
    if (m_player.FrameCount() > 0) {
        if (!m_timer.isActive()) {
            m_player.Rewind();
            m_timer.start(m_player.ShowFrame());
            update();
        }
        return true;
    }
    if (m_still.isNull())
        return false;
    QPainter painter(&m_canvas);
    painter.drawImage(0, 0, m_still);
    painter.end();
    update();
    return true;
}

void CPictureEx::NextFrame()
{
    m_player.EndFrame();
    m_timer.start(m_player.ShowFrame());
    update();
}

void CPictureEx::Stop()
{
    m_timer.stop();
}

void CPictureEx::Unload()
{
    Stop();
    m_still = QImage();
    m_canvas = QImage();
    m_player.Clear();
    m_size = QSize();
    m_background = Qt::white;
    m_visiblePart = QRect();
    m_isGif = false;
    update();
}

void CPictureEx::SetBackgroundColor(const QColor &color)
{
    m_background = color;
    m_player.SetBackground(color);
    if (!m_canvas.isNull())
        m_canvas.fill(color);
    update();
}

void CPictureEx::SetVisiblePart(const QRect &part)
{
    m_visiblePart = part;
    update();
}

const QImage &CPictureEx::Canvas() const
{
    return m_player.FrameCount() > 0 ? m_player.Canvas() : m_canvas;
}

QSize CPictureEx::sizeHint() const
{
    return m_size.isValid() ? m_size : QWidget::sizeHint();
}

void CPictureEx::paintEvent(QPaintEvent *)
{
    const QImage &canvas = Canvas();
    if (canvas.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), canvas, m_visiblePart.isEmpty() ? canvas.rect() : m_visiblePart);
}
