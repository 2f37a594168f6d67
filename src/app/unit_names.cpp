#include "app/unit_names.h"

#include <QRegularExpression>

#include "protocol/numbering.h"

QString DefaultUnitName(int unitNumber, int model)
{
    switch (model) {
    case UNIT_TYPE_KR960:
        return QStringLiteral("UNIT %1 - KR-960").arg(unitNumber);
    case UNIT_TYPE_KR960_8:
        return QStringLiteral("UNIT %1 - KR-960/8").arg(unitNumber);
    case UNIT_TYPE_KR9X:
        return QStringLiteral("UNIT %1 - KR-9X").arg(unitNumber);
    default:
        return QString();
    }
}

bool IsOperatorUnitName(const QString& name)
{
    if (name.trimmed().isEmpty() || name.contains(QLatin1String("Unused")))
        return false;
    static const QRegularExpression numbered(QStringLiteral("^UNIT ([0-9]{1,9}) - "));
    const QRegularExpressionMatch match = numbered.match(name);
    if (!match.hasMatch())
        return true;
    const int unit = match.captured(1).toInt();
    for (const int model : {UNIT_TYPE_KR960, UNIT_TYPE_KR960_8, UNIT_TYPE_KR9X})
        if (name == DefaultUnitName(unit, model))
            return false;
    return true;
}
