#include "MeterSettings.h"

QString MeterSettings::modelName(int unitType) {
    return unitType == 0 ? QString() : QStringLiteral("Velmar KR%1").arg(unitType);
}
