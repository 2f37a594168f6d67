#include "platform/font_faces.h"

#include <algorithm>

namespace {
const QString kLiberationSans = QStringLiteral("Liberation Sans");
const QString kArialBlack = QStringLiteral("Arial Black");
} // namespace

QString MappedFontFamily(const QString& face)
{
    if (face.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0
        || face.compare(QLatin1String("Microsoft Sans Serif"), Qt::CaseInsensitive) == 0
        || face.compare(kArialBlack, Qt::CaseInsensitive) == 0)
        return kLiberationSans;
    return face;
}

int PointTenthsToPixels(int tenthsOfPoint)
{
    // tenths / 10 points * 96 / 72 pixels per point, rounded to the nearest pixel
    return (tenthsOfPoint * 96 + 360) / 720;
}

QFont MakeFont(const QString& face, int tenthsOfPoint, int weight)
{
    QFont font(MappedFontFamily(face));
    font.setPixelSize(std::max(1, PointTenthsToPixels(tenthsOfPoint)));
    // The black face has one weight only, whatever weight is asked of it.
    const bool black = face.compare(kArialBlack, Qt::CaseInsensitive) == 0;
    if (black)
        font.setWeight(QFont::Black);
    else if (weight <= 0) // "don't care" takes the regular weight
        font.setWeight(QFont::Normal);
    else
        font.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void InstallFontSubstitutions()
{
    for (const char* face : {"Arial", "Microsoft Sans Serif", "Arial Black"})
        QFont::insertSubstitution(QString::fromLatin1(face), kLiberationSans);
}
