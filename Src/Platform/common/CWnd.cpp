// SPDX-License-Identifier: Apache-2.0
#include <Platform/CWnd.h>

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd) {}

CWnd::~CWnd() = default;

HWND CWnd::GetSafeHwnd() const { return m_hWnd; }

bool CWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr) return false;
    m_hWnd = hWnd;
    return true;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    return hWnd;
}
