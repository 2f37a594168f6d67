#pragma once

#include <QToolButton>

class SkinRegistry;

// A flat push button that shows a skin picture: a normal one, a hot one
// while the pointer is over it, and a disabled one while it is disabled.
// A picture id of 0 means "none": without a hot picture the normal one
// stays under the pointer; without a disabled picture a disabled button
// shows the normal one greyed.
class PictureButton : public QToolButton {
    Q_OBJECT
public:
    PictureButton(QWidget* parent, SkinRegistry& skin);

    void SetImage(int normal, int hot = 0, int disabled = 0);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The picture the button shows now.
    int currentBitmap() const;
    void ShowCurrentPicture();

    SkinRegistry& m_skin;
    int m_nBmpNormal = 0;
    int m_nBmpHot = 0;
    int m_nBmpDisabled = 0;
    bool m_bHot = false;
};
