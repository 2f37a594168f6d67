#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "controls/control_ids.h"

// A dialog layout as a code table: size, caption, font and controls, with
// every position and size in dialog units (converted with the fixed base
// units of platform/dialog_units.h).

enum class DialogItemKind {
    Static,     // a text label; also the placeholders the skinned buttons cover
    PushButton, // a plain push button that sends its id as a command
};

enum DialogItemFlag : unsigned {
    kItemHidden = 1u << 0,     // created hidden
    kItemCentred = 1u << 1,    // text centred horizontally
    kItemDefault = 1u << 2,    // the default push button
    kItemMessage = 1u << 3,    // the message of a box, shown whole however long its words
};

struct DialogItem {
    int id = kStaticControlId;
    DialogItemKind kind = DialogItemKind::Static;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    QString text;
    unsigned flags = 0;
};

// The font a layout names: face, size in points, weight and slant.
struct DialogFontDef {
    QString face;
    int pointSize = 8;
    int weight = 400;
    bool italic = false;
};

struct DialogTemplate {
    int id = 0;
    int cx = 0;
    int cy = 0;
    QString caption;
    // Without a font of its own the layout uses 8 point "Tahoma".
    std::optional<DialogFontDef> font;
    std::vector<DialogItem> items;
};
