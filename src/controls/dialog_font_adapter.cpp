#include "controls/dialog_font_adapter.h"

#include "platform/dialog_units.h"
#include "platform/font_faces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Direct child widgets of the dialog in creation order.
std::vector<QWidget*> ChildControls(const QWidget* dialog)
{
    std::vector<QWidget*> result;
    for (QObject* child : dialog->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
            result.push_back(widget);
    }
    return result;
}

} // namespace

QFont DialogTemplateFont(const DialogTemplate& tmpl, double dpi)
{
    const DialogFontDef def = tmpl.font.value_or(DialogFontDef{QStringLiteral("Tahoma"), 8, 400, false});
    // A size stored as a negative number means its magnitude.
    const int points = std::abs(def.pointSize);
    QFont font(MappedFontFamily(def.face));
    font.setPixelSize(std::max(1, static_cast<int>(std::trunc(points * dpi / 72.0 + 0.5))));
    font.setWeight(QFont::Weight(std::clamp(def.weight <= 0 ? 400 : def.weight, 100, 900)));
    font.setItalic(def.italic);
    return font;
}

QRect DialogItemRect(const DialogItem& item)
{
    using namespace dialog_units;
    return QRect(ToPixelsX(item.x), ToPixelsY(item.y), ToPixelsX(item.cx), ToPixelsY(item.cy));
}

QSize DialogClientSize(const DialogTemplate& tmpl)
{
    return QSize(dialog_units::ToPixelsX(tmpl.cx), dialog_units::ToPixelsY(tmpl.cy));
}

DialogFontAdapter::~DialogFontAdapter()
{
    Restore();
}

void DialogFontAdapter::Apply(QWidget* dialog, const DialogTemplate& tmpl, double dpi)
{
    if (isAttached())
        Restore();
    if (!dialog)
        return;
    m_nTemplateId = tmpl.id;
    m_hDlg = dialog;

    m_font = DialogTemplateFont(tmpl, dpi);
    m_fontOld = dialog->font();
    m_bDialogHadOwnFont = dialog->testAttribute(Qt::WA_SetFont);
    dialog->setFont(m_font);

    // The client area keeps its origin and takes the layout's size; a dialog
    // of fixed size stays fixed at the new size.
    const QSize client = DialogClientSize(tmpl);
    if (dialog->minimumSize() == dialog->maximumSize())
        dialog->setFixedSize(client);
    else
        dialog->resize(client);

    const std::vector<QWidget*> controls = ChildControls(dialog);
    std::size_t next = 0;
    for (const DialogItem& item : tmpl.items) {
        std::size_t found = next;
        while (found < controls.size() && ControlId(controls[found]) != item.id)
            ++found;
        if (found == controls.size())
            break;
        QWidget* control = controls[found];
        control->setGeometry(DialogItemRect(item));
        m_controlFonts.push_back(
            {control, control->font(), control->testAttribute(Qt::WA_SetFont)});
        control->setFont(m_font);
        next = found + 1;
    }
}

void DialogFontAdapter::Restore()
{
    if (!isAttached()) {
        m_controlFonts.clear();
        return;
    }
    m_hDlg->setFont(m_bDialogHadOwnFont ? m_fontOld : QFont());
    for (const ControlFont& entry : m_controlFonts) {
        if (entry.control)
            entry.control->setFont(entry.ownFont ? entry.font : QFont());
    }
    m_controlFonts.clear();
    m_hDlg = nullptr;
    m_nTemplateId = 0;
    m_font = QFont();
    m_fontOld = QFont();
    m_bDialogHadOwnFont = false;
}
