#pragma once
// Builds GIF files byte by byte for the picture tests, so that delays,
// disposal methods, offsets and damaged blocks are exactly what a case needs.
// The image data is written as literal LZW codes (a clear code before the
// code width would grow), which every decoder reads.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QRect>

struct GifTestFrame
{
    QRect rect;              // in the logical screen
    QList<quint8> pixels;    // colour indices, row by row; empty = all index 0
    int delay = 10;          // hundredths of a second
    int disposal = 0;
    int transparentIndex = -1;
    bool withControl = true; // write a graphic control extension
};

class GifWriter
{
public:
    GifWriter(int width, int height, QList<QColor> palette, int backgroundIndex = 0)
        : m_width(width), m_height(height), m_palette(std::move(palette)), m_background(backgroundIndex)
    {
    }

    QByteArray Header() const
    {
        QByteArray out("GIF89a");
        Word(out, m_width);
        Word(out, m_height);
        out.append(char(0x80 | 0x70 | (TableBits() - 1)));
        out.append(char(m_background));
        out.append(char(0));
        for (int i = 0; i < (1 << TableBits()); ++i) {
            const QColor c = i < m_palette.size() ? m_palette[i] : QColor(Qt::black);
            out.append(char(c.red())).append(char(c.green())).append(char(c.blue()));
        }
        return out;
    }

    static QByteArray Control(const GifTestFrame &f)
    {
        QByteArray out("\x21\xF9\x04", 3);
        out.append(char(((f.disposal & 7) << 2) | (f.transparentIndex >= 0 ? 1 : 0)));
        Word(out, f.delay);
        out.append(char(f.transparentIndex >= 0 ? f.transparentIndex : 0));
        out.append(char(0));
        return out;
    }

    QByteArray Image(const GifTestFrame &f) const
    {
        QByteArray out(",");
        Word(out, f.rect.x());
        Word(out, f.rect.y());
        Word(out, f.rect.width());
        Word(out, f.rect.height());
        out.append(char(0));
        const int minCode = qMax(2, TableBits());
        out.append(char(minCode));
        QList<quint8> pixels = f.pixels;
        if (pixels.isEmpty())
            pixels.fill(0, f.rect.width() * f.rect.height());
        out.append(SubBlocks(Lzw(pixels, minCode)));
        return out;
    }

    QByteArray Frame(const GifTestFrame &f) const
    {
        return (f.withControl ? Control(f) : QByteArray()) + Image(f);
    }

    QByteArray File(const QList<GifTestFrame> &frames) const
    {
        QByteArray out = Header();
        for (const GifTestFrame &f : frames)
            out.append(Frame(f));
        out.append(';');
        return out;
    }

    static QByteArray SubBlocks(const QByteArray &data)
    {
        QByteArray out;
        for (qsizetype pos = 0; pos < data.size(); pos += 255) {
            const QByteArray chunk = data.mid(pos, 255);
            out.append(char(chunk.size())).append(chunk);
        }
        out.append(char(0));
        return out;
    }

private:
    int TableBits() const
    {
        int bits = 1;
        while ((1 << bits) < m_palette.size())
            ++bits;
        return bits;
    }

    static void Word(QByteArray &out, int v)
    {
        out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }

    static QByteArray Lzw(const QList<quint8> &pixels, int minCode)
    {
        const int clear = 1 << minCode;
        const int width = minCode + 1;
        const int perRun = clear - 2;
        QByteArray out;
        quint32 acc = 0;
        int bits = 0;
        auto put = [&](int code) {
            acc |= quint32(code) << bits;
            bits += width;
            while (bits >= 8) {
                out.append(char(acc & 0xFF));
                acc >>= 8;
                bits -= 8;
            }
        };
        for (qsizetype i = 0; i < pixels.size(); ++i) {
            if (i % perRun == 0)
                put(clear);
            put(pixels[i]);
        }
        put(clear + 1);
        if (bits > 0)
            out.append(char(acc & 0xFF));
        return out;
    }

    int m_width;
    int m_height;
    QList<QColor> m_palette;
    int m_background;
};
