#pragma once

#include <QFont>
#include <QString>

// Fonts are named by the faces the skin was designed with and sized in
// tenths of a point at 96 dots per inch. The faces are mapped to Liberation
// Sans, the metric twin of the sans face the layouts were measured in:
// "Arial" and "Microsoft Sans Serif" to its regular weights, "Arial Black"
// to its black weight.

QString MappedFontFamily(const QString& face);

// Pixel size of a font of the given size in tenths of a point at 96 dpi.
int PointTenthsToPixels(int tenthsOfPoint);

// The font for a face, a size in tenths of a point and a weight 100..900.
QFont MakeFont(const QString& face, int tenthsOfPoint, int weight);

// Teaches Qt's font matching the same mapping, for widgets that name a face.
void InstallFontSubstitutions();
