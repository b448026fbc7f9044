// The quick-text tree built from a file of 3,000 and of 50,000 items (in
// categories of 100, about 57 bytes an item as the server's files hold):
// the time of a rebuild (the list's reloaded signal, then the shown tree's
// layout and paint) and the resident memory it adds. Beside it, for 3,000
// items only, the naive build the tree used to do: a style icon fetched per
// node (50,000 of those take minutes and gigabytes).
//
//   QT_QPA_PLATFORM=offscreen bench_quicktext_tree [repetitions, 5]

#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/ui/QuickTextTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

QString File(int items)
{
    QString xml;
    for (int c = 0; c < (items + 99) / 100; ++c) {
        xml += QStringLiteral("<QUICKTEXTCATEGORY><TITLE><![CDATA[Category %1]]></TITLE>\n").arg(c, 4, 10, QLatin1Char('0'));
        for (int i = c * 100; i < std::min(items, (c + 1) * 100); ++i)
            xml += QStringLiteral("<QUICKTEXT><TITLE><![CDATA[Answer %1]]></TITLE><TEXT><![CDATA[Thanks, %1.]]></TEXT>"
                                  "<SHORTCUT>0</SHORTCUT></QUICKTEXT>\n")
                       .arg(i, 5, 10, QLatin1Char('0'));
        xml += QStringLiteral("</QUICKTEXTCATEGORY>\n");
    }
    return xml;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Report(const char *name, int items, const std::vector<double> &ms, double mb)
{
    std::printf("%-34s %7d %10.1f %10.1f %10.1f\n", name, items, Median(ms),
                *std::max_element(ms.begin(), ms.end()), mb);
}

// Shows the tree, rebuilds it REPETITIONS times with BUILD and reports the
// times and what the resident size grew by, all nodes expanded.
template <typename Tree, typename Build>
void Measure(const char *name, int items, int repetitions, Tree &tree, Build build, double before)
{
    tree.resize(300, 600);
    tree.show();
    std::vector<double> ms;
    QElapsedTimer clock;
    for (int r = 0; r < repetitions; ++r) {
        clock.start();
        build();
        QCoreApplication::processEvents();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    tree.expandAll();
    QCoreApplication::processEvents();
    Report(name, items, ms, ResidentMb() - before);
}

void Tree(int items, int repetitions)
{
    CQuickTextList list;
    list.Read(File(items), 0, QString());
    const double before = ResidentMb();
    CQuickTextTree tree(nullptr);
    Measure("tree, one icon per kind", items, repetitions, tree, [&] { tree.Attach(&list); }, before);
}

// What every rebuild used to do: the style asked for an icon per node.
void Naive(int items, int repetitions)
{
    CQuickTextList list;
    list.Read(File(items), 0, QString());
    const double before = ResidentMb();
    QTreeWidget tree;
    Measure("naive, a style icon per node", items, repetitions, tree, [&] {
        tree.clear();
        for (const CQuickTextCategory *category : list.Root()->Categories()) {
            auto *node = new QTreeWidgetItem(&tree, QStringList(category->Title()));
            node->setIcon(0, tree.style()->standardIcon(QStyle::SP_DirIcon));
            for (const CQuickTextItem *item : category->ShownItems(false)) {
                auto *leaf = new QTreeWidgetItem(node, QStringList(item->Title()));
                leaf->setIcon(0, tree.style()->standardIcon(QStyle::SP_FileIcon));
            }
        }
    }, before);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int repetitions = std::max(1, argc > 1 ? QByteArray(argv[1]).toInt() : 5);
    std::printf("style %s, %d rebuilds each\n", qPrintable(app.style()->name()), repetitions);
    std::printf("%-34s %7s %10s %10s %10s\n", "build", "items", "median ms", "max ms", "+RSS MB");
    Tree(3000, repetitions);
    Tree(50000, repetitions);
    Naive(3000, repetitions);
    return 0;
}
