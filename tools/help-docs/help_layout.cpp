#include "help_layout.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace help_layout {

namespace {

constexpr int kResolution = 600;      // device pixels per inch of the PDF
constexpr double kPicturePpi = 120.0; // screen pixels per inch of a picture on paper
constexpr double kBodyPoints = 10.0;

// Lengths in text formats are screen pixels (96 per inch) that the layout
// scales to the device's resolution; the column itself is in device pixels.
double Points(double pt) { return pt * 96.0 / 72.0; }

// Finds every picture, loads it from beside the source and fixes its size on
// the page: kPicturePpi, never wider than the column nor taller than a page.
bool PlacePictures(QTextDocument& doc, const QString& baseDir, double maxWidth, double maxHeight)
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
            const double scale = std::min({1.0, maxWidth / width, maxHeight / height});
            image.setWidth(width * scale);
            image.setHeight(height * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
    return ok;
}

// A word joined by "_", such as the status word UNIT_BAD_TEMP_OR_POWER_SUPPLY,
// may break after each "_": a zero-width space there is a place to break
// the line. Without one, a word wider than its table column would be broken
// between any two letters.
void AllowBreaksAfterUnderscores(QTextDocument& doc)
{
    static const QRegularExpression joint(QStringLiteral("(?<=\\w)_(?=\\w)"));
    for (QTextCursor found = doc.find(joint); !found.isNull(); found = doc.find(joint, found)) {
        found.clearSelection();
        found.insertText(QString(QChar(0x200B)));
    }
}

// Headings get room above them; tables get thin rules and some padding.
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

// Whether the line of block holds a picture.
bool HoldsPicture(const QTextBlock& block, const QTextLine& line)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int at = fragment.position() - block.position();
        if (fragment.charFormat().isImageFormat() && at >= line.textStart()
            && at < line.textStart() + line.textLength())
            return true;
    }
    return false;
}

// A run of units that no page break may divide.
struct Group {
    double top = 0;
    double bottom = 0;
    int lines = 0; // lines of text and table rows
    bool picture = false;
};

// The group of units first .. last.
Group Span(const std::vector<Unit>& units, std::size_t first, std::size_t last)
{
    Group g{units[first].top, units[first].bottom};
    for (std::size_t k = first; k <= last; ++k) {
        g.top = std::min(g.top, units[k].top);
        g.bottom = std::max(g.bottom, units[k].bottom);
        const bool picture = units[k].kind == Unit::Kind::Picture;
        g.lines += picture ? 0 : 1;
        g.picture = g.picture || picture;
    }
    return g;
}

std::vector<Group> Groups(const std::vector<Unit>& units, double pageHeight)
{
    std::vector<Group> groups;
    std::size_t first = 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i].glueToNext && i + 1 < units.size())
            continue;
        const Group run = Span(units, first, i);
        if (run.bottom - run.top <= pageHeight) {
            groups.push_back(run);
        } else {
            // A run too tall for any page is left to fall where its units allow.
            for (std::size_t k = first; k <= i; ++k)
                groups.push_back(Span(units, k, k));
        }
        first = i + 1;
    }
    return groups;
}

} // namespace

PageFrame SetUpPages(QPdfWriter& writer)
{
    writer.setResolution(kResolution);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 22, 20, 20), QPageLayout::Millimeter));
    const QRect page = writer.pageLayout().paintRectPixels(kResolution);
    const double band = kBodyPoints * 2.2 * kResolution / 72.0; // a header or footer line and room
    return {double(page.width()), page.height() - 2 * band, band};
}

std::unique_ptr<QTextDocument> BuildDocument(const QString& markdown, const QString& baseDir,
                                             QPagedPaintDevice& device, double width, double pageHeight)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&device);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(kBodyPoints);
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    doc->setMarkdown(markdown);
    AllowBreaksAfterUnderscores(*doc);
    const double toFormat = 96.0 / device.logicalDpiY();
    if (!PlacePictures(*doc, baseDir, width * toFormat, pageHeight * toFormat * 0.9))
        return nullptr;
    Polish(*doc);
    // One long column: the pages are cut from it between its units.
    doc->setTextWidth(width);
    return doc;
}

std::vector<Unit> Units(const QTextDocument& doc)
{
    std::vector<Unit> units;
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const QTextTable* rowTable = nullptr;
    int row = -1;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextCursor cursor(block);
        const QRectF rect = layout->blockBoundingRect(block);
        if (QTextTable* table = cursor.currentTable()) {
            // A table row goes whole, with its padding and rules; its head
            // row stays with the first row under it.
            const QTextTableFormat format = table->format();
            const double pad = format.cellPadding() * layout->paintDevice()->logicalDpiY() / 96.0;
            const int r = table->cellAt(cursor).row();
            if (table == rowTable && r == row) {
                units.back().top = std::min(units.back().top, rect.top() - pad);
                units.back().bottom = std::max(units.back().bottom, rect.bottom() + pad);
            } else {
                units.push_back({Unit::Kind::TableRow, rect.top() - pad, rect.bottom() + pad, r == 0});
                rowTable = table;
                row = r;
            }
            continue;
        }
        rowTable = nullptr;
        const QTextLayout* lines = block.layout();
        if (!lines || lines->lineCount() == 0)
            continue;
        const QPointF origin = rect.topLeft() - lines->boundingRect().topLeft();
        const bool heading = block.blockFormat().headingLevel() > 0;
        const int n = lines->lineCount();
        for (int i = 0; i < n; ++i) {
            const QTextLine line = lines->lineAt(i);
            const QRectF r = line.rect().translated(origin);
            Unit u;
            u.kind = heading ? Unit::Kind::Heading
                             : HoldsPicture(block, line) ? Unit::Kind::Picture : Unit::Kind::Line;
            u.top = r.top();
            u.bottom = r.bottom();
            // A heading keeps with what follows, and a paragraph stays on
            // one page: the text layout paints a block's line just above a
            // clip as well, so a paragraph cut in two would put that line in
            // the text of both pages.
            u.glueToNext = heading || i + 1 < n;
            units.push_back(u);
        }
    }
    if (!units.empty())
        units.back().glueToNext = false;
    return units;
}

std::vector<Slice> Paginate(const std::vector<Unit>& units, double pageHeight)
{
    const std::vector<Group> groups = Groups(units, pageHeight);
    if (groups.empty())
        return {Slice{0, pageHeight}};

    // Each page takes as many whole groups as fit.
    std::vector<std::vector<Group>> pages(1);
    double start = 0;
    for (const Group& g : groups) {
        if (!pages.back().empty() && g.bottom - start > pageHeight) {
            pages.emplace_back();
            start = g.top;
        }
        pages.back().push_back(g);
    }

    // A page with one line of text alone takes the last group of the page
    // before it, where both fit and that page keeps more than a line.
    const auto lines = [](const std::vector<Group>& page) {
        int n = 0;
        bool picture = false;
        for (const Group& g : page) {
            n += g.lines;
            picture = picture || g.picture;
        }
        return picture ? 2 : n;
    };
    for (std::size_t p = 1; p < pages.size(); ++p) {
        std::vector<Group>& before = pages[p - 1];
        std::vector<Group>& page = pages[p];
        if (lines(page) != 1 || before.size() < 2)
            continue;
        const Group moved = before.back();
        if (page.back().bottom - moved.top > pageHeight)
            continue;
        std::vector<Group> shorter(before.begin(), before.end() - 1);
        if (lines(shorter) < 2)
            continue;
        before.swap(shorter);
        page.insert(page.begin(), moved);
    }

    std::vector<Slice> slices;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const double top = p == 0 ? 0 : pages[p].front().top;
        const double end = p + 1 < pages.size() ? pages[p + 1].front().top : pages[p].back().bottom;
        slices.push_back({top, std::min(end, top + pageHeight)});
    }
    return slices;
}

void PaintSlice(QPainter& painter, const QTextDocument& doc, const Slice& slice, double width)
{
    // The layout paints every line that touches its clip, and a line's
    // painted box reaches a little below the next line's top; the lines are
    // therefore picked with a clip a fraction of a line inside the slice,
    // while the painter's clip is the slice itself.
    const double inset = kBodyPoints * 0.15 * doc.documentLayout()->paintDevice()->logicalDpiY() / 72.0;
    painter.save();
    painter.translate(0, -slice.top);
    const QRectF whole(0, slice.top, width, slice.bottom - slice.top);
    painter.setClipRect(whole);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = whole.adjusted(0, inset, 0, -inset);
    doc.documentLayout()->draw(&painter, context);
    painter.restore();
}

} // namespace help_layout
