#pragma once

#include <QRect>
#include <QWidget>

// What a fader hands its moves to: the gain operations of the main window.
class FaderHost {
public:
    virtual ~FaderHost() = default;
    // The grab of a fader records the channel's gain for undo (control kind 9).
    virtual void PushUndoRecord(int channel, int kind, int value) = 0;
    virtual void SetChannelGain(int step) = 0;
    virtual void SetUnitBlockGain(int step) = 0;
    // True when the channel is in a link group; count receives the members.
    virtual bool CollectLinkedChannels(int channel, int& count) = 0;
    virtual void SetLinkedGain(int step, int count) = 0;
    // Every button release over a fader (the active scene may follow the faders).
    virtual void OnFaderReleased() = 0;
};

// The program's fader host (the main window); none in bare tests.
extern FaderHost* g_pFaderHost;

// Whether the keys held with a fader drag move that one fader alone, out of
// its link group for the move. Alt does, and so does Shift: many window
// managers take Alt with a drag to move the window, so there the fader never
// sees the press. Either wins over Ctrl (the unit block).
bool IsLoneMoveModifier(Qt::KeyboardModifiers keys);

// A fader's control id is this base plus its channel.
constexpr int kFaderIdBase = 30000;

// The vertical gain fader of a channel strip. Its position is a gain step,
// 0 at the top (highest gain) to GetMax at the bottom. Dragging the thumb
// turns the pointer into a step and hands it to the gain operations, which
// set the position of the channel's faders in both views through SetPos.
class CMySlider : public QWidget {
    Q_OBJECT
public:
    explicit CMySlider(QWidget* parent = nullptr);

    // Sets channel (and with it the control id), thumb size and track (the
    // widget's own rectangle) and puts the thumb at the bottom, as the views
    // do when they create it.
    void Setup(int channel, QSize thumbSize, int trackBitmap, int thumbBitmap);

    int GetMax() const;
    int ClampValue(int value) const;
    // The step for a pointer y while dragging, not clamped.
    int ValueFromY(int y) const;
    // Clamps, stores and places the thumb; repaints at once, or with the
    // next paint of its view while a RepaintBatch is alive.
    void SetPos(int value);

    // Held while code sets the faders of a whole unit in both views (a unit
    // coming on line or taking a new ID, a slot set unused): the faders then
    // paint together with the next paint of their views instead of one by
    // one at once, which cost such a unit about 5 ms of the GUI thread.
    // Batches nest. GUI thread only.
    class RepaintBatch {
    public:
        RepaintBatch() { ++s_batchDepth; }
        ~RepaintBatch() { --s_batchDepth; }
        RepaintBatch(const RepaintBatch&) = delete;
        RepaintBatch& operator=(const RepaintBatch&) = delete;
    };
    int GetPos() const { return m_nPos; }

    // The thumb top for a step: (travel) * step / max, truncated.
    int ThumbTopForValue(int value) const;
    // The step whose thumb top is top: the exact inverse of ThumbTopForValue
    // on its values, so a grab without movement keeps the gain.
    int ValueForThumbTop(int top) const;

    int m_nChannel = 0;
    int m_nPos = 0;
    int m_nLinkedOffset = 0;
    int m_nThumbTop = 50;
    int m_nThumbTopSaved = 50;
    int m_nGrabOffset = 0;
    int m_nThumbHeight = 0;
    int m_nThumbWidth = 0;
    QRect m_rcThumb;
    QRect m_rcTrack;
    bool m_bHover = false;
    bool m_bGrabbed = false;
    bool m_bDragging = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Takes the thumb when the press is on it; the track beside it does nothing.
    void Grab(QMouseEvent* event, bool recordUndo);
    int travel() const { return m_rcTrack.height() - m_nThumbHeight; }
    QRect ThumbRect() const;

    int m_nTrackBitmap = 133;
    int m_nThumbBitmap = 132;

    static inline int s_batchDepth = 0;
};
