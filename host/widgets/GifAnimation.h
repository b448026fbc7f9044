#pragma once
// A GIF picture taken apart into frames, and the frame-by-frame playback
// of those frames onto a canvas. Plain data, no windows and no timers:
// CPictureEx drives it. Any thread, one object per thread.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>

#include <optional>

// The blocks of one image of a GIF file, made into a stand-alone GIF stream.
struct GifFrameBlocks
{
    QByteArray stream; // header, global colour table, the frame's blocks, trailer
    QRect rect;        // in the logical screen
    int delay = 0;     // hundredths of a second
    int disposal = 0;  // 0-7
};

struct GifFile
{
    QSize screen;
    std::optional<QColor> background; // from the global colour table
    QList<GifFrameBlocks> frames;     // whole frames only
};

// Starts with "GIF87a" or "GIF89a".
bool IsGifData(const QByteArray &data);

// Walks the blocks of a GIF file. A block that runs past the data ends the
// walk, keeping the frames before it. Nothing when the data is no GIF, the
// header or colour table is cut short or the screen is too large to show.
std::optional<GifFile> ParseGif(const QByteArray &data);

struct GifFrame
{
    QImage image; // the frame's own rectangle
    QRect rect;
    int delay = 0;
    int disposal = 0;
};

// Decodes each frame of the file; frames that fail to decode, or lie
// outside the logical screen, are left out. Each frame costs the screen's
// area; frames past a budget of four full screens of 4096 x 4096 are
// dropped.
QList<GifFrame> DecodeGifFrames(const GifFile &file);

// Plays frames onto a canvas of the logical screen's size:
// ShowFrame() draws the current frame and says how long it stays;
// EndFrame() disposes of it and moves on, clearing the canvas after the last.
class CGifPlayer
{
public:
    // The time a frame stays: its delay, or 100 ms for delays of 4 or less.
    static int FrameTimeMs(int delay);

    void Start(QList<GifFrame> frames, const QSize &screen, const QColor &background);
    void Clear();
    void Rewind() { m_index = 0; }
    void SetBackground(const QColor &background);

    int ShowFrame();
    void EndFrame();

    const QImage &Canvas() const { return m_canvas; }
    int Index() const { return m_index; }
    qsizetype FrameCount() const { return m_frames.size(); }

private:
    QList<GifFrame> m_frames;
    QImage m_canvas;
    QImage m_saved; // what a restore-previous frame covers
    QColor m_background = Qt::white;
    int m_index = 0;
};
