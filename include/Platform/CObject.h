// CObject: the root of the host framework's object classes.
//
// Its virtual operations, in slot order: GetRuntimeClass, the destructor, Serialize, AssertValid,
// Dump. Classes that derive from it and override only the destructor keep the other four as they
// are here: every object reports CObject's runtime class, Serialize and Dump do nothing, and
// AssertValid checks nothing beyond the object being there. The archive and dump context are the
// framework's; nothing here reads or writes them, so they are only declared.
#pragma once

#include <HalcyonApi.h>

class CArchive;
class CDumpContext;
class CObject;

// The run-time class record that GetRuntimeClass returns: the class's name, its size, the
// schema number of its archives and its base class's record (null for CObject).
struct HALCYON_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned int m_wSchema;
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;

    // True when this class is `pBaseClass` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class HALCYON_API CObject {
  public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    bool IsSerializable() const;
    bool IsKindOf(const CRuntimeClass* pClass) const;

    static CRuntimeClass classCObject;

  protected:
    CObject() = default;

  private:
    // Framework objects are not copied unless a class says how.
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};
