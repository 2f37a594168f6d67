#include "platform/path_text.h"

bool StrEqualNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void SplitPathName(QString* directory, QString* fileName, const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/')) + 1;
    if (directory)
        *directory = path.left(cut);
    if (fileName)
        *fileName = path.mid(cut);
}
