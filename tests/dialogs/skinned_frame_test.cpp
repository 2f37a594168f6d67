// The skin the borderless dialogs paint, dragging by the caption strip, and
// the key and command routing every dialog shares.

#include "console_fixture.h"

#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include "app/fonts.h"
#include "dialogs/message_dialog.h"
#include "dialogs/self_closing_dialog.h"

namespace {

QImage Painted(QWidget& dialog)
{
    return dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Left and right ends of the title's dark pixels in the caption strip.
std::pair<int, int> TitleExtent(const QImage& image)
{
    int first = image.width();
    int last = -1;
    // Clear of the corner pieces and of the strip's top and bottom rules.
    for (int y = 4; y < 24; ++y)
        for (int x = 24; x < image.width() - 24; ++x)
            if (qGray(image.pixel(x, y)) < 80) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

class SkinnedFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateStripViewFonts();
        CreateSceneListFont();
        g_strMessage = QStringLiteral("Scene saved.");
        g_bIgnoreNextGainChange = false;
    }
    void TearDown() override
    {
        g_strMessage.clear();
        g_bIgnoreNextGainChange = false;
    }
};

} // namespace

TEST_F(SkinnedFrameTest, MessageBoxPaintsFrameWhiteBodyAndCentredTitle)
{
    CMessageDialog box;
    box.show();
    ASSERT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    const QImage image = Painted(box);
    const int w = image.width();
    const int h = image.height();
    const int mid = h / 2;
    EXPECT_EQ(QColor(image.pixel(0, mid)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(w / 2, h - 1)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(9, mid)), QColor(255, 255, 255));
    // The body's corners are rounded: the corner of its rectangle is margin.
    EXPECT_EQ(QColor(image.pixel(5, 32)), QColor(231, 231, 231));

    const auto [first, last] = TitleExtent(image);
    ASSERT_LT(first, last) << "no title drawn";
    EXPECT_NEAR((first + last + 1) / 2.0, w / 2.0, 1.5);
}

TEST_F(SkinnedFrameTest, SelfClosingBoxHasALavenderBody)
{
    CSelfClosingDlg box;
    box.show();
    const QImage image = Painted(box);
    const QColor lavender(220, 220, 255);
    EXPECT_EQ(QColor(image.pixel(9, image.height() - 12)), lavender);
    EXPECT_EQ(QColor(image.pixel(2, image.height() / 2)), lavender) << "its background too";
}

TEST_F(SkinnedFrameTest, DraggedByTheCaptionStripOnly)
{
    CMessageDialog box;
    box.move(100, 100);
    box.show();
    const QPoint start = box.pos();

    auto drag = [&box](QPoint from, QPoint by) {
        const QPoint global = box.mapToGlobal(from);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(global),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(from + by), QPointF(global + by),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(from + by), QPointF(global + by),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &release);
    };

    drag(QPoint(box.width() / 2, 12), QPoint(30, 20));
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));

    const QPoint moved = box.pos();
    drag(QPoint(9, 120), QPoint(40, 40)); // on the body
    EXPECT_EQ(box.pos(), moved);
}

namespace {

// An editing dialog of the skin with an edit field, OK over 1050 and the
// shared Cancel over 1049, and Enter as its OK key.
class EditingDialog : public CSkinnedDialog {
public:
    static DialogTemplate Layout()
    {
        DialogTemplate t;
        t.cx = 180;
        t.cy = 90;
        t.items = SkinLayoutStatics(t.cx);
        t.items.push_back({1049, DialogItemKind::Static, 20, 60, 50, 15, QStringLiteral("Cancel"), 0});
        t.items.push_back({1050, DialogItemKind::Static, 100, 60, 50, 15, QStringLiteral("OK"), 0});
        return t;
    }
    EditingDialog() : CSkinnedDialog(Layout(), FrameStyle::Skinned) {}

    void OnCommand(int id) override
    {
        commands.push_back(id);
        if (id == 1050)
            EndEditing(IDOK);
        else if (id == 1049)
            OnSharedCancel();
        else
            CSkinnedDialog::OnCommand(id);
    }

    QLineEdit* edit = nullptr;
    int preTranslated = 0;
    std::vector<int> commands;

protected:
    bool OnInitDialog() override
    {
        CreateSkinButton(m_btnCancel, 1049, CBrannockButton::kBmpHover, QStringLiteral("Cancel"),
                         QStringLiteral(" Cancel "));
        CreateSkinButton(m_btnOK, 1050, CBrannockButton::kBmpHoverTall, QStringLiteral("OK"),
                         QStringLiteral(" OK "));
        edit = new QLineEdit(this);
        edit->setGeometry(20, 40, 200, 24);
        return true;
    }
    void PreTranslateKey(QKeyEvent* event) override
    {
        ++preTranslated;
        if (event->key() == Qt::Key_Return)
            OnCommand(1050);
    }

private:
    CBrannockButton m_btnCancel;
    CBrannockButton m_btnOK;
};

} // namespace

TEST_F(SkinnedFrameTest, KeysArePreTranslatedOnceWhateverHasTheFocus)
{
    EditingDialog dialog;
    dialog.show();
    ASSERT_NE(dialog.edit, nullptr);

    // Typed into the field: seen first by the dialog, then kept by the field.
    QTest::keyClick(dialog.edit, 'a');
    EXPECT_EQ(dialog.preTranslated, 1);
    EXPECT_EQ(dialog.edit->text(), QStringLiteral("a"));
    EXPECT_TRUE(dialog.isVisible());

    // Enter in the field goes on to the dialog, but is pre-translated once.
    QTest::keyClick(dialog.edit, Qt::Key_Return);
    EXPECT_EQ(dialog.preTranslated, 2);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(dialog.commands, (std::vector<int>{1050, IDOK}));
    EXPECT_TRUE(g_bIgnoreNextGainChange);

    // A key straight to the dialog is pre-translated too.
    QTest::keyClick(&dialog, 'z');
    EXPECT_EQ(dialog.preTranslated, 3);
}

TEST_F(SkinnedFrameTest, SharedCancelMarksTheGainChangeButEscapeDoesNot)
{
    {
        EditingDialog dialog;
        dialog.show();
        CBrannockButton* cancel = console_test::ButtonOver(dialog, 1049);
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
        EXPECT_EQ(dialog.result(), IDCANCEL);
        EXPECT_TRUE(g_bIgnoreNextGainChange);
    }
    g_bIgnoreNextGainChange = false;
    {
        EditingDialog dialog;
        dialog.show();
        QTest::keyClick(dialog.edit, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), IDCANCEL);
        EXPECT_FALSE(g_bIgnoreNextGainChange);
    }
}
