#include "plugins/chat/session/Rtf.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/InputRichEditCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

struct Piece {
    QString text;
    QTextCharFormat format;
};

// The runs of one block; a picture is one run whose text is U+FFFC.
QList<Piece> Runs(const QTextBlock &block)
{
    QList<Piece> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        runs.append({it.fragment().text(), it.fragment().charFormat()});
    return runs;
}

QColor Colour(const QTextCharFormat &format)
{
    return format.foreground().color();
}

bool Enabled(CAutoRichEditCtrl &edit, unsigned id)
{
    QVPlugin::CommandUpdate update(id);
    EXPECT_TRUE(edit.OnCmdMsg(id, QVPlugin::CommandUpdateUi, &update, nullptr));
    return update.Enabled().value_or(false);
}

} // namespace

TEST(ChatTranscript, PlainLinesOfVisitorsAndAgents)
{
    CChatRTFCtrl transcript;
    transcript.AddLine(QStringLiteral("10:15:02 AM"), QStringLiteral("Visitor"), QStringLiteral(" :) <b>hi</b> "), true);
    transcript.AddLine(QString(), QStringLiteral("Ann"), QStringLiteral("fine   thanks"), false);
    QTextDocument *doc = transcript.document();
    ASSERT_EQ(doc->blockCount(), 4);

    const QList<Piece> header = Runs(doc->findBlockByNumber(0));
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header[0].text, "[10:15:02 AM] Visitor:");
    EXPECT_EQ(header[0].format.fontWeight(), QFont::Bold);
    EXPECT_EQ(Colour(header[0].format), QColor(0, 0, 255));
    EXPECT_EQ(header[0].format.fontFamilies().toStringList(), QStringList{"MS Sans Serif"});
    EXPECT_EQ(header[0].format.fontPointSize(), 10);
    EXPECT_EQ(doc->findBlockByNumber(0).blockFormat().textIndent(), transcript.TwipsToPixels(10));
    EXPECT_EQ(doc->findBlockByNumber(0).blockFormat().bottomMargin(), transcript.TwipsToPixels(35));

    const QList<Piece> body = Runs(doc->findBlockByNumber(1));
    ASSERT_EQ(body.size(), 3);
    EXPECT_EQ(body[0].text, "  ");
    EXPECT_TRUE(body[1].format.isImageFormat());
    EXPECT_EQ(body[1].format.toImageFormat().name(), "tessary-emoticon:0");
    EXPECT_EQ(body[2].text, "  <b>hi</b>");
    EXPECT_EQ(body[2].format.fontWeight(), QFont::Normal);
    EXPECT_EQ(Colour(body[2].format), QColor(0, 0, 255));
    EXPECT_EQ(doc->findBlockByNumber(1).blockFormat().textIndent(), 0);

    const QList<Piece> agent = Runs(doc->findBlockByNumber(2));
    EXPECT_EQ(agent[0].text, "Ann:") << "no brackets without a stamp";
    EXPECT_EQ(Colour(agent[0].format), QColor(51, 51, 51));
    const QList<Piece> agentBody = Runs(doc->findBlockByNumber(3));
    ASSERT_EQ(agentBody.size(), 1);
    EXPECT_EQ(agentBody[0].text, "  fine  thanks");
    EXPECT_EQ(Colour(agentBody[0].format), QColor(Qt::black));
}

TEST(ChatTranscript, NoticesAndRtfLines)
{
    CChatRTFCtrl transcript;
    transcript.AddNotice(QStringLiteral("left :) as text"));
    transcript.AddRtfLine(QStringLiteral("9:00"), QStringLiteral("Bob"),
                          "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\cf1\\b red :)\\b0\\par x-c}");
    QTextDocument *doc = transcript.document();
    const QList<Piece> notice = Runs(doc->findBlockByNumber(0));
    EXPECT_EQ(notice[0].text, "System:");
    EXPECT_EQ(notice[0].format.fontWeight(), QFont::Bold);
    const QList<Piece> noticeBody = Runs(doc->findBlockByNumber(1));
    ASSERT_EQ(noticeBody.size(), 1) << "codes in notices stay text";
    EXPECT_EQ(noticeBody[0].text, "  left :) as text");
    EXPECT_TRUE(noticeBody[0].format.fontItalic());

    // The notice's own line break leaves an empty paragraph before the next entry.
    EXPECT_EQ(Runs(doc->findBlockByNumber(3))[0].text, "[9:00] Bob:");
    const QList<Piece> rtf = Runs(doc->findBlockByNumber(4));
    ASSERT_EQ(rtf.size(), 3);
    EXPECT_EQ(rtf[1].text, "red ");
    EXPECT_EQ(Colour(rtf[1].format), QColor(255, 0, 0));
    EXPECT_EQ(rtf[1].format.fontWeight(), QFont::Bold);
    EXPECT_TRUE(rtf[2].format.isImageFormat());
    EXPECT_TRUE(Runs(doc->findBlockByNumber(5))[0].format.isImageFormat()) << "x-c";

    transcript.selectAll();
    transcript.copy();
    EXPECT_EQ(QApplication::clipboard()->text(),
              "System:\n  left :) as text\n\n[9:00] Bob:\n  red :)\nx-c") << "codes, not pictures";
    QByteArray saved;
    transcript.GetRtf(saved);
    EXPECT_TRUE(saved.contains("red :)")) << saved.constData();

    transcript.AddNotice(QStringLiteral("File a.txt has been uploaded as http://127.0.0.1:8/up/a.txt"));
    const QList<Piece> upload = Runs(transcript.document()->lastBlock().previous());
    ASSERT_EQ(upload.size(), 2);
    EXPECT_EQ(upload[1].format.anchorHref(), "http://127.0.0.1:8/up/a.txt") << "a notice's address is a link";
    EXPECT_TRUE(upload[1].format.fontItalic());
}

TEST(ChatTranscript, OnlyWebAndMailLinksOpen)
{
    CChatRTFCtrl transcript;
    QList<QUrl> opened;
    transcript.SetLinkOpener([&](const QUrl &url) { opened.append(url); });
    transcript.AddLine({}, QStringLiteral("Visitor"), QStringLiteral("see https://example.com/a?b=1. javascript:alert(1)"), true);
    const QList<Piece> body = Runs(transcript.document()->findBlockByNumber(1));
    ASSERT_EQ(body.size(), 3);
    EXPECT_EQ(body[1].text, "https://example.com/a?b=1");
    EXPECT_EQ(body[1].format.anchorHref(), "https://example.com/a?b=1");
    EXPECT_FALSE(body[2].format.isAnchor());

    for (const char *url : {"https://example.com/", "mailto:a@example.com", "javascript:alert(1)",
                            "file:///etc/passwd", "ftp://example.com/"})
        emit transcript.anchorClicked(QUrl(QString::fromLatin1(url)));
    EXPECT_EQ(opened, (QList<QUrl>{QUrl("https://example.com/"), QUrl("mailto:a@example.com")}));
    EXPECT_TRUE(transcript.source().isEmpty()) << "a click never navigates the transcript";
}

// A peer's burst past the cap: lines beyond one turn's share wait and are
// shown in slices between turns of the event loop; the oldest lines go a
// few thousand paragraphs at a time and the newest stay.
TEST(ChatTranscript, ABurstPastTheCapIsShownInSlicesAndKeepsTheNewestLines)
{
    CChatRTFCtrl transcript;
    transcript.AddLine({}, QStringLiteral("Bob"), QStringLiteral("0"), false);
    // Each edit at the top lays the whole document out again: a trim must be
    // one edit, not a removal and then its formats put back.
    int topEdits = 0;
    int trims = 0;
    QObject::connect(transcript.document(), &QTextDocument::contentsChange, [&](int from, int removed, int added) {
        if (from == 0 && removed > 0) {
            ++topEdits;
            trims += removed > added ? 1 : 0;
        }
    });
    const int lines = CChatRTFCtrl::kMaxBlocks; // two paragraphs each
    for (int i = 1; i < lines; ++i)
        transcript.AddLine({}, QStringLiteral("Bob"), QString::number(i), false);
    EXPECT_GT(transcript.PendingLines(), 0);
    const int before = transcript.PendingLines();
    QCoreApplication::processEvents();
    EXPECT_GT(transcript.PendingLines(), 0); // one turn shows one slice, not the rest
    EXPECT_LT(transcript.PendingLines(), before);
    while (transcript.PendingLines() > 0)
        QCoreApplication::processEvents();
    QTextDocument *doc = transcript.document();
    EXPECT_LE(doc->blockCount(), CChatRTFCtrl::kMaxBlocks + CChatRTFCtrl::kTrimBlocks);
    EXPECT_GE(doc->blockCount(), CChatRTFCtrl::kMaxBlocks);
    EXPECT_EQ(doc->lastBlock().text(), "  " + QString::number(lines - 1));
    EXPECT_GT(trims, 0);
    EXPECT_EQ(topEdits, trims);
    // The first kept paragraph is a header, laid out as one.
    EXPECT_EQ(doc->firstBlock().text(), "Bob:");
    EXPECT_EQ(doc->firstBlock().blockFormat().textIndent(), transcript.TwipsToPixels(10));
}

// Names and stamps from the network are one line: a header cannot draw
// another header or a body below it.
TEST(ChatTranscript, AHeaderStaysOneLine)
{
    CChatRTFCtrl transcript;
    const QString forged = QStringLiteral("Eve\n[2:20:00 AM] Demo Agent:\u2028Type your card\u2029number\r\x01");
    transcript.AddLine(QStringLiteral("1:00\n"), forged, QStringLiteral("hi"), true);
    QTextDocument *doc = transcript.document();
    ASSERT_EQ(doc->blockCount(), 2);
    EXPECT_EQ(doc->firstBlock().text(),
              QStringLiteral("[1:00 ] Eve [2:20:00 AM] Demo Agent: Type your card number \uFFFD:"));
}

TEST(ChatInput, EnterSendsAndModifiedEnterBreaksTheLine)
{
    QWidget window;
    auto *input = new CInputRichEditCtrl(&window);
    QSignalSpy sends(input, &CInputRichEditCtrl::SendRequested);
    QSignalSpy typing(input, &CInputRichEditCtrl::Typing);
    QTest::keyClicks(input, QStringLiteral("hi"));
    EXPECT_EQ(typing.count(), 2);
    for (Qt::KeyboardModifier held : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        QTest::keyClick(input, Qt::Key_Return, held);
    EXPECT_EQ(sends.count(), 0);
    EXPECT_EQ(input->toPlainText(), "hi\n\n\n");
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClick(input, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(sends.count(), 2);
    EXPECT_EQ(typing.count(), 5);
    EXPECT_EQ(input->toPlainText(), "hi\n\n\n");
}

TEST(ChatInput, PastesPlainTextWithinTheLimit)
{
    QWidget window;
    auto *input = new CInputRichEditCtrl(&window);
    auto *html = new QMimeData;
    html->setHtml(QStringLiteral("<b>bold</b><img src=\"file:///etc/x.png\"><a href=\"javascript:x\">link</a>"));
    html->setText(QStringLiteral("bold link"));
    QApplication::clipboard()->setMimeData(html);
    input->paste();
    EXPECT_EQ(input->toPlainText(), "bold link");
    QByteArray rtf;
    input->GetRtf(rtf);
    EXPECT_FALSE(rtf.contains("\\b ")) << "no formatting came with the paste";

    QApplication::clipboard()->setText(QString(3000, QLatin1Char('x')));
    input->paste();
    EXPECT_EQ(input->TextLength(), 2048);
    QTest::keyClicks(input, QStringLiteral("yz"));
    QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(input->TextLength(), 2048);
    EXPECT_FALSE(input->toPlainText().contains(QLatin1Char('y')));
    QTest::keyClick(input, Qt::Key_Backspace);
    QTest::keyClicks(input, QStringLiteral("yz"));
    EXPECT_TRUE(input->toPlainText().endsWith(QLatin1String("xy")));
}

TEST(ChatInput, EditCommandEnabling)
{
    QWidget window;
    auto *input = new CInputRichEditCtrl(&window);
    QApplication::clipboard()->clear();
    EXPECT_FALSE(Enabled(*input, CAutoRichEditCtrl::CmdCopy));
    EXPECT_FALSE(Enabled(*input, CAutoRichEditCtrl::CmdPaste));
    EXPECT_FALSE(Enabled(*input, CAutoRichEditCtrl::CmdUndo));
    QTest::keyClicks(input, QStringLiteral("word"));
    input->selectAll();
    EXPECT_TRUE(Enabled(*input, CAutoRichEditCtrl::CmdCopy));
    EXPECT_TRUE(Enabled(*input, CAutoRichEditCtrl::CmdCut));
    EXPECT_TRUE(Enabled(*input, CAutoRichEditCtrl::CmdUndo));
    EXPECT_FALSE(Enabled(*input, CAutoRichEditCtrl::CmdRedo));
    EXPECT_TRUE(input->OnCmdMsg(CAutoRichEditCtrl::CmdCut, QVPlugin::CommandExecute, nullptr, nullptr));
    EXPECT_EQ(input->toPlainText(), "");
    EXPECT_TRUE(Enabled(*input, CAutoRichEditCtrl::CmdPaste));
    input->OnCmdMsg(CAutoRichEditCtrl::CmdUndo, QVPlugin::CommandExecute, nullptr, nullptr);
    EXPECT_EQ(input->toPlainText(), "word");
    EXPECT_TRUE(Enabled(*input, CAutoRichEditCtrl::CmdRedo));
    EXPECT_FALSE(input->OnCmdMsg(1234, QVPlugin::CommandUpdateUi, nullptr, nullptr));

    CChatRTFCtrl transcript;
    transcript.AddNotice(QStringLiteral("x"));
    transcript.selectAll();
    EXPECT_TRUE(Enabled(transcript, CAutoRichEditCtrl::CmdCopy));
    EXPECT_FALSE(Enabled(transcript, CAutoRichEditCtrl::CmdCut)) << "read-only";
    EXPECT_FALSE(Enabled(transcript, CAutoRichEditCtrl::CmdPaste));
}
