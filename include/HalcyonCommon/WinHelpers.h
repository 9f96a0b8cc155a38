/// \file
/// Helpers for the terminal's windows and files: a file class that creates the folders a new
/// file's path lacks, a scope object that switches the framework's resource module, and a scope
/// object that parks the mouse cursor.
#pragma once

#include <HalcyonCommon/Export.h>
#include <Platform/AfxResource.h>
#include <Platform/CFile.h>
#include <Platform/CWnd.h>
#include <Platform/WinHandles.h>

#include <cstdint>

/// The framework's file, and one thing more: opening a file with modeCreate also creates the
/// folders its path lacks, when the plain open failed and no file of that name exists. The folders
/// are made one level at a time from the deepest one that exists, at most 14 levels; a path that
/// lacks 15 or more keeps the 14 upper ones made and the open fails. Folders are separated by
/// backslashes; a name of 260 characters or more makes no folder. A failure before the second
/// open leaves in *pError what the first open reported.
class HALCYON_API CFileEx : public CFile {
  public:
    CFileEx();
    ~CFileEx() override;

    int Open(const char* lpszFileName, unsigned int nOpenFlags,
             CFileException* pError = nullptr) override;
};

/// Makes hNewResource the framework's resource module for its lifetime (unless it is null) and
/// hOldResource the resource module at its end (unless that is null). Copying it copies both
/// handles and switches nothing.
class HALCYON_API CAutoDllResource {
  public:
    /// Switches to hNewResource / back to hOldResource, as described above.
    ///@{
    CAutoDllResource(HINSTANCE hOldResource, HINSTANCE hNewResource);
    ~CAutoDllResource();
    ///@}
    /// Copy the two handles only.
    ///@{
    CAutoDllResource(const CAutoDllResource& other) = default;
    CAutoDllResource& operator=(const CAutoDllResource& other);
    ///@}

    HINSTANCE hOldResource;  ///< the resource module at the end
    HINSTANCE hNewResource;  ///< the resource module for the lifetime
};

/// For its lifetime the mouse cursor is hidden and parked at the screen's top-left corner, so
/// that the pointer causes no hover effects. At its end the window of pWnd, if it is still a live
/// window, is repainted at once with its background erased; then the cursor goes back where it
/// was and is shown again. ShowCursor keeps a display counter per thread, so nested objects on
/// one thread hide and show the cursor in pairs. Copying it copies the fields and moves nothing.
class HALCYON_API CAvoidMouseMoveEffect {
  public:
    /// Hides and parks the cursor / repaints pWnd and puts the cursor back, as described above.
    ///@{
    CAvoidMouseMoveEffect(CWnd* pWnd, long lValue);
    ~CAvoidMouseMoveEffect();
    ///@}
    /// Copy the fields only.
    ///@{
    CAvoidMouseMoveEffect(const CAvoidMouseMoveEffect& other) = default;
    CAvoidMouseMoveEffect& operator=(const CAvoidMouseMoveEffect& other);
    ///@}

    CWnd* pWnd;           ///< the window repainted at the end
    std::int32_t lValue;  ///< kept, used by nothing
    POINT ptCursor;       ///< the cursor's position when the object was made
};
