#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

#include "controls/dialog_template.h"

// The layout's font at a resolution: point size * dpi / 72 pixels, rounded;
// a layout without a font gets 8 point "Tahoma", weight 400.
QFont DialogTemplateFont(const DialogTemplate& tmpl, double dpi);

// A control's rectangle in pixels: each of x, y, cx and cy converted on its
// own with the dialog base units, as the layouts were measured.
QRect DialogItemRect(const DialogItem& item);
// The client size of the layout in pixels.
QSize DialogClientSize(const DialogTemplate& tmpl);

// Lays an open dialog and its controls out again from its own layout, at a
// given resolution and in the layout's font, so that it keeps the
// proportions of its layout whatever font the desktop hands it. Restore (or
// the destructor) gives the dialog and its controls their previous fonts
// back; positions and sizes stay as Apply set them.
class DialogFontAdapter {
public:
    DialogFontAdapter() = default;
    ~DialogFontAdapter();
    DialogFontAdapter(const DialogFontAdapter&) = delete;
    DialogFontAdapter& operator=(const DialogFontAdapter&) = delete;

    // Controls are matched to the layout's items by id, each search going on
    // from the control matched for the item before; an item whose control is
    // not found ends the re-layout there.
    void Apply(QWidget* dialog, const DialogTemplate& tmpl, double dpi);
    void Restore();

    bool isAttached() const { return !m_hDlg.isNull(); }
    int templateId() const { return m_nTemplateId; }
    const QFont& font() const { return m_font; }

private:
    struct ControlFont {
        QPointer<QWidget> control;
        QFont font;
        bool ownFont;
    };

    int m_nTemplateId = 0;
    QPointer<QWidget> m_hDlg;
    QFont m_font;
    QFont m_fontOld;
    bool m_bDialogHadOwnFont = false;
    std::vector<ControlFont> m_controlFonts;
};
