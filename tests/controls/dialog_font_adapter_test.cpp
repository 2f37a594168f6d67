#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"

namespace {

QLabel* AddControl(QWidget* dialog, int id)
{
    auto* label = new QLabel(dialog);
    SetControlId(label, id);
    label->setGeometry(1, 1, 5, 5);
    return label;
}

DialogTemplate SampleLayout()
{
    DialogTemplate t;
    t.id = 1147;
    t.cx = 200;
    t.cy = 100;
    t.font = DialogFontDef{QStringLiteral("Arial"), 9, 700, true};
    t.items = {
        {1001, DialogItemKind::Static, 7, 7, 50, 14, {}, 0},
        {1002, DialogItemKind::Static, 61, 9, 33, 11, {}, 0},
        {1003, DialogItemKind::Static, 3, 81, 101, 3, {}, 0},
    };
    return t;
}

} // namespace

TEST(DialogFontAdapter, LaysDialogAndControlsOutInDialogUnitsWithTheLayoutsFont)
{
    QWidget dialog;
    QLabel* a = AddControl(&dialog, 1001);
    QLabel* b = AddControl(&dialog, 1002);
    QLabel* c = AddControl(&dialog, 1003);
    dialog.move(40, 50);

    DialogFontAdapter adapter;
    adapter.Apply(&dialog, SampleLayout(), 96.0);

    // Base units 6 x 13: x * 6 / 4 and y * 13 / 8, each value rounded on its
    // own (mapping the edges instead would make b 49 and c 151 wide).
    EXPECT_EQ(dialog.size(), QSize(300, 163));
    EXPECT_EQ(dialog.pos(), QPoint(40, 50));
    EXPECT_EQ(b->geometry(), QRect(92, 15, 50, 18));
    EXPECT_EQ(c->geometry(), QRect(5, 132, 152, 5));

    // 9 points at 96 dpi is 12 pixels, in the mapped face, given to the
    // dialog and its controls.
    const QFont font = a->font();
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(font.family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_EQ(dialog.font(), font);

    // A dialog of fixed size takes the layout's size and stays fixed.
    QWidget fixed;
    fixed.setFixedSize(10, 10);
    DialogFontAdapter fixedAdapter;
    fixedAdapter.Apply(&fixed, SampleLayout(), 96.0);
    EXPECT_EQ(fixed.size(), QSize(300, 163));
    EXPECT_EQ(fixed.maximumSize(), QSize(300, 163));
}

TEST(DialogFontAdapter, AMissingControlEndsTheRelayoutAndSharedIdsMatchInOrder)
{
    QWidget dialog;
    QLabel* first = AddControl(&dialog, kStaticControlId);
    QLabel* second = AddControl(&dialog, kStaticControlId);
    QLabel* after = AddControl(&dialog, 1003);

    DialogTemplate t;
    t.cx = 100;
    t.cy = 50;
    t.items = {
        {kStaticControlId, DialogItemKind::Static, 4, 8, 4, 8, {}, 0},
        {kStaticControlId, DialogItemKind::Static, 8, 16, 4, 8, {}, 0},
        {2222, DialogItemKind::Static, 0, 0, 40, 40, {}, 0}, // not in the dialog
        {1003, DialogItemKind::Static, 20, 20, 40, 40, {}, 0},
    };
    DialogFontAdapter adapter;
    adapter.Apply(&dialog, t, 96.0);
    EXPECT_EQ(first->geometry(), QRect(6, 13, 6, 13));
    EXPECT_EQ(second->geometry(), QRect(12, 26, 6, 13)) << "the second item takes the next control";
    EXPECT_EQ(after->geometry(), QRect(1, 1, 5, 5)) << "nothing after the missing control moves";
    EXPECT_FALSE(after->testAttribute(Qt::WA_SetFont)) << "nor is it given the font";
}

TEST(DialogFontAdapter, RestoreGivesFontsBackAndKeepsTheLayout)
{
    QWidget dialog;
    QFont own = dialog.font();
    own.setPixelSize(23);
    QLabel* plain = AddControl(&dialog, 1001);
    QLabel* styled = AddControl(&dialog, 1002);
    styled->setFont(own);
    AddControl(&dialog, 1003);
    const QFont inherited = plain->font();

    DialogFontAdapter().Restore(); // nothing attached: nothing happens
    EXPECT_EQ(plain->font(), inherited);
    {
        DialogFontAdapter adapter;
        adapter.Apply(&dialog, SampleLayout(), 96.0);
        EXPECT_EQ(styled->font().pixelSize(), 12);
    } // the adapter's end restores

    EXPECT_EQ(plain->font(), inherited);
    EXPECT_EQ(styled->font().pixelSize(), 23);
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetFont));
    EXPECT_EQ(plain->geometry(), QRect(11, 11, 75, 23));

    // A later font change of the dialog reaches the controls that had none of their own.
    QFont bigger = dialog.font();
    bigger.setPixelSize(30);
    dialog.setFont(bigger);
    EXPECT_EQ(plain->font().pixelSize(), 30);
    EXPECT_EQ(styled->font().pixelSize(), 23);
}
