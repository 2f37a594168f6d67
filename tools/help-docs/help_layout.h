#pragma once

// How a help document is laid out on pages: the document is laid out as one
// long column, and the page breaks are chosen between its paragraphs, table
// rows and pictures, so that nothing is cut in two, no heading is left alone
// at the foot of a page, and no page holds a single line of text.

#include <QString>

#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QTextDocument;

namespace help_layout {

// The page of a help document: A4, the text column and the bands above and
// below it that hold the title line and the page number (device pixels).
struct PageFrame {
    double width = 0;
    double height = 0; // of the text column
    double band = 0;
};

// Sets writer up for a help document's pages and says where the text goes.
PageFrame SetUpPages(QPdfWriter& writer);

// What one step of the column holds; a page break may fall only between two
// units that are not glued together.
struct Unit {
    enum class Kind { Line, Heading, Picture, TableRow };
    Kind kind = Kind::Line;
    double top = 0;
    double bottom = 0;
    bool glueToNext = false; // the break after this unit is not allowed
};

// One page's part of the column, in the document's coordinates.
struct Slice {
    double top = 0;
    double bottom = 0;
};

// The document of a help page laid out for device in a column of width
// (device pixels): markdown read, pictures loaded from baseDir and sized, no
// wider than the column and no taller than pageHeight, headings and tables
// given their spacing. Null when a picture cannot be read (reported on stderr).
std::unique_ptr<QTextDocument> BuildDocument(const QString& markdown, const QString& baseDir,
                                             QPagedPaintDevice& device, double width, double pageHeight);

// The units of a laid-out document, top to bottom.
std::vector<Unit> Units(const QTextDocument& doc);

// Where the pages of units go, each at most pageHeight tall.
std::vector<Slice> Paginate(const std::vector<Unit>& units, double pageHeight);

// Paints the slice of doc with its top at the painter's origin: only the
// lines, rows and pictures that lie in the slice, so that a line beside a
// page break is painted, and found in the page's text, on its own page only.
void PaintSlice(QPainter& painter, const QTextDocument& doc, const Slice& slice, double width);

} // namespace help_layout
