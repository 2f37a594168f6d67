#pragma once

#include <QString>

// The names the program itself gives a unit slot, told apart from the names
// the operator gave.

// "UNIT %d - <model>" for a unit of the model under its unit number; empty
// for a value that names no model.
QString DefaultUnitName(int unitNumber, int model);

// True when the name is the operator's: not empty, not an "Unused" name, and
// not a model's default name under any unit number (a slot keeps the default
// of the unit that was there before until another unit comes on line). A
// name holding "Unused" is never the operator's: such a slot takes no link
// group, so a unit coming on line there must replace it.
bool IsOperatorUnitName(const QString& name);
