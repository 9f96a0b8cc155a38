// SPDX-License-Identifier: Apache-2.0
#include <HalcyonCommon/WinHelpers.h>

#include "Platform/Win.h"

CAvoidMouseMoveEffect::CAvoidMouseMoveEffect(CWnd* pWindow, long lKept)
    : pWnd(pWindow), lValue(static_cast<std::int32_t>(lKept)), ptCursor{0, 0} {
    win::GetCursorPos(&ptCursor);
    win::ShowCursor(FALSE);
    win::SetCursorPos(0, 0);
}

CAvoidMouseMoveEffect::~CAvoidMouseMoveEffect() {
    if (pWnd != nullptr && win::IsWindow(pWnd->m_hWnd) == TRUE) {
        win::InvalidateRect(pWnd->m_hWnd, nullptr, TRUE);
        win::UpdateWindow(pWnd->m_hWnd);
    }
    win::SetCursorPos(ptCursor.x, ptCursor.y);
    win::ShowCursor(TRUE);
}

CAvoidMouseMoveEffect& CAvoidMouseMoveEffect::operator=(const CAvoidMouseMoveEffect& other) {
    pWnd = other.pWnd;
    lValue = other.lValue;
    ptCursor = other.ptCursor;
    return *this;
}
