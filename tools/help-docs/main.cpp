// corvane-helpdoc: lays out one help document written in Markdown and writes
// it as a PDF with a title line and page numbers on every page.
//
//   corvane-helpdoc SOURCE.md OUTPUT.pdf
//
// "{{version}}" in the source becomes the program's version, so a document
// always names the version it was built with. Pictures are looked up
// relative to the source file and drawn at a fixed pixel density, so the
// screenshots stay sharp and keep their proportions on the page.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <cstdio>

#include "dialogs/program_version.h"

namespace {

constexpr int kResolution = 600;        // device pixels per inch of the PDF
constexpr double kPicturePpi = 120.0;   // screen pixels per inch of a picture on paper
constexpr double kBodyPoints = 10.0;

// Lengths in text formats are screen pixels (96 per inch) that the layout
// scales to the PDF's resolution; the page itself is laid out in device pixels.
double Points(double pt) { return pt * 96.0 / 72.0; }
double DevicePoints(double pt) { return pt * kResolution / 72.0; }
double DeviceToFormat(double device) { return device * 96.0 / kResolution; }

// Finds every picture, loads it from beside the source and fixes its size on
// the page: kPicturePpi, never wider than the text.
bool PlacePictures(QTextDocument& doc, const QString& baseDir, double textWidth)
{
    bool ok = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QString file = baseDir + QLatin1Char('/') + image.name();
            const QImage picture(file);
            if (picture.isNull()) {
                std::fprintf(stderr, "corvane-helpdoc: cannot read picture %s\n", qPrintable(file));
                ok = false;
                continue;
            }
            doc.addResource(QTextDocument::ImageResource, QUrl(image.name()), picture);
            double width = picture.width() * 96.0 / kPicturePpi;
            double height = picture.height() * 96.0 / kPicturePpi;
            if (width > textWidth) {
                height = height * textWidth / width;
                width = textWidth;
            }
            image.setWidth(width);
            image.setHeight(height);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
    return ok;
}

// Headings get room above them and keep with what follows; tables get thin
// rules and some padding.
void Polish(QTextDocument& doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        const int level = format.headingLevel();
        if (level > 0) {
            format.setTopMargin(Points(level == 1 ? 4 : level == 2 ? 16 : 10));
            format.setBottomMargin(Points(level <= 2 ? 6 : 3));
            cursor.setBlockFormat(format);
        } else if (!block.textList() && !cursor.currentTable()) {
            format.setBottomMargin(Points(5));
            cursor.setBlockFormat(format);
        }
    }
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table)
            continue;
        QTextTableFormat format = table->format();
        format.setBorder(Points(0.5));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(QColor(160, 160, 160));
        format.setCellSpacing(0);
        format.setCellPadding(Points(3));
        format.setBorderCollapse(true);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setTopMargin(Points(2));
        format.setBottomMargin(Points(8));
        table->setFormat(format);
        for (int c = 0; c < table->columns(); ++c) {
            QTextTableCell cell = table->cellAt(0, c);
            QTextCharFormat head = cell.format();
            head.setBackground(QColor(232, 232, 232));
            cell.setFormat(head);
        }
    }
}

// Lays the document out on A4 pages and paints them into a PDF at path.
bool WritePdf(const QString& markdown, const QString& title, const QString& baseDir, const QString& path)
{
    const QString program = QStringLiteral("Corvane %1").arg(QString::fromLatin1(kProgramVersion));
    QPdfWriter writer(path);
    writer.setResolution(kResolution);
    writer.setTitle(title);
    writer.setCreator(program);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 22, 20, 20), QPageLayout::Millimeter));

    const QRect page = writer.pageLayout().paintRectPixels(kResolution);
    const double band = DevicePoints(kBodyPoints * 2.2); // room for the page's header and footer lines
    const QSizeF body(page.width(), page.height() - 2 * band);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(kBodyPoints);
    doc.setDefaultFont(font);
    doc.setDocumentMargin(0);
    doc.setMarkdown(markdown);
    if (!PlacePictures(doc, baseDir, DeviceToFormat(body.width())))
        return false;
    Polish(doc);
    doc.setPageSize(body);

    QPainter painter;
    if (!painter.begin(&writer)) {
        std::fprintf(stderr, "corvane-helpdoc: cannot write %s\n", qPrintable(path));
        return false;
    }
    QFont small = font;
    small.setPointSizeF(8);
    const int pages = doc.pageCount();
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
        painter.translate(0, band - p * body.height());
        const QRectF clip(0, p * body.height(), body.width(), body.height());
        doc.drawContents(&painter, clip);
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
