// corvane-helpdoc: lays out one help document written in Markdown and writes
// it as a PDF with a title line and page numbers on every page.
//
//   corvane-helpdoc SOURCE.md OUTPUT.pdf
//
// "{{version}}" in the source becomes the program's version, so a document
// always names the version it was built with. Pictures are looked up
// relative to the source file and drawn at a fixed pixel density, so the
// screenshots stay sharp and keep their proportions on the page; the page
// breaks fall where help_layout puts them.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>
#include <memory>
#include <vector>

#include "dialogs/program_version.h"
#include "help_layout.h"

namespace {

// Lays the document out on A4 pages and paints them into a PDF at path.
bool WritePdf(const QString& markdown, const QString& title, const QString& baseDir, const QString& path)
{
    const QString program = QStringLiteral("Corvane %1").arg(QString::fromLatin1(kProgramVersion));
    QPdfWriter writer(path);
    writer.setTitle(title);
    writer.setCreator(program);
    const help_layout::PageFrame frame = help_layout::SetUpPages(writer);
    const QSizeF body(frame.width, frame.height);
    const double band = frame.band;

    const std::unique_ptr<QTextDocument> doc =
        help_layout::BuildDocument(markdown, baseDir, writer, body.width(), body.height());
    if (!doc)
        return false;
    const std::vector<help_layout::Slice> slices =
        help_layout::Paginate(help_layout::Units(*doc), body.height());

    QPainter painter;
    if (!painter.begin(&writer)) {
        std::fprintf(stderr, "corvane-helpdoc: cannot write %s\n", qPrintable(path));
        return false;
    }
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPointSizeF(8);
    const int pages = int(slices.size());
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        painter.setFont(small);
        painter.setPen(QColor(110, 110, 110));
        const QRectF header(0, 0, body.width(), band * 0.6);
        painter.drawText(header, Qt::AlignLeft | Qt::AlignTop, title);
        painter.drawText(header, Qt::AlignRight | Qt::AlignTop, program);
        painter.drawLine(QPointF(0, band * 0.6), QPointF(body.width(), band * 0.6));
        const QRectF footer(0, band + body.height(), body.width(), band);
        painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages));

        painter.save();
        painter.translate(0, band);
        help_layout::PaintSlice(painter, *doc, slices[std::size_t(p)], body.width());
        painter.restore();
    }
    if (!painter.end()) {
        std::fprintf(stderr, "corvane-helpdoc: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: corvane-helpdoc SOURCE.md OUTPUT.pdf\n", stderr);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "corvane-helpdoc: cannot read %s\n", argv[1]);
        return 1;
    }
    QString markdown = QString::fromUtf8(in.readAll());
    markdown.replace(QStringLiteral("{{version}}"), QString::fromLatin1(kProgramVersion));
    // The first line is the document's title: "# Title".
    const QString title = markdown.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('#')).trimmed();

    const QString temporary = output + QStringLiteral(".part");
    if (!WritePdf(markdown, title, QFileInfo(source).absolutePath(), temporary))
        return 1;
    QFile::remove(output);
    if (!QFile::rename(temporary, output)) {
        std::fprintf(stderr, "corvane-helpdoc: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
