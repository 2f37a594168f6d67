#pragma once

#include "dialogs/skinned_dialog.h"

// "About Corvane": the program's picture under the skin's title strip, with
// the version in the picture's lower right corner. The dialog takes the size
// of its picture (8 px wider, 35 px higher) and closes on the first left
// click anywhere on it.
class CNewAboutDlg : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 166;
    static constexpr int IDC_VERSION = 930;
    static constexpr int kAboutBitmap = 165;  // 491 x 314
    static constexpr QRgb kVersionBackground = qRgb(134, 158, 194);
    // Where the picture goes in the dialog.
    static constexpr int kPictureLeft = 4;
    static constexpr int kPictureTop = 30;

    explicit CNewAboutDlg(QWidget* parent = nullptr);
    ~CNewAboutDlg() override;

    static DialogTemplate Layout();
    // "Version " and the program's version.
    static QString VersionText();

protected:
    bool OnInitDialog() override;
    void OnPaint(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void DrawPicture(QPainter& painter);
};
