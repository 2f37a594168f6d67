#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>

#include "platform/colorref.h"

// Settings of a drop shadow around a window. The skinned dialogs carry one,
// but nothing attaches it to a window: it holds settings and draws nothing.
class CWndShadow {
public:
    CWndShadow() = default;
    virtual ~CWndShadow() = default;
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // -1 while there is no shadow window.
    int shadowWindowState() const { return m_nShadowWindowState; }
    QWidget* parentWindow() const { return m_pParent; }

    std::uint8_t darkness() const { return m_nDarkness; }
    std::uint8_t sharpness() const { return m_nSharpness; }
    std::int8_t size() const { return m_nSize; }
    std::int8_t xOffset() const { return m_nxOffset; }
    std::int8_t yOffset() const { return m_nyOffset; }
    ColorRef color() const { return m_Color; }

    void SetDarkness(std::uint8_t darkness) { m_nDarkness = darkness; }
    void SetSharpness(std::uint8_t sharpness) { m_nSharpness = sharpness; }
    void SetSize(std::int8_t size) { m_nSize = size; }
    void SetPosition(std::int8_t x, std::int8_t y)
    {
        m_nxOffset = x;
        m_nyOffset = y;
    }
    void SetColor(ColorRef color) { m_Color = color; }

private:
    int m_nShadowWindowState = -1;
    QPointer<QWidget> m_pParent;
    std::uint8_t m_nDarkness = 150;   // opacity of the darkest part
    std::uint8_t m_nSharpness = 5;    // width of the blurred edge
    std::int8_t m_nSize = 0;          // growth beyond the window
    std::int8_t m_nxOffset = 5;       // shift right
    std::int8_t m_nyOffset = 5;       // shift down
    ColorRef m_Color = 0;             // black
    std::uint8_t m_bUpdate = 0;
    std::uint32_t m_nLastWindowSize = 0;
};
