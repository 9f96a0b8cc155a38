/// \file
/// CObject: the root of the host framework's object classes.
///
/// Its virtual operations, in slot order: GetRuntimeClass, the destructor, Serialize, AssertValid,
/// Dump. Classes that derive from it and override only the destructor keep the other four as they
/// are here: every object reports CObject's runtime class, Serialize and Dump do nothing, and
/// AssertValid checks nothing beyond the object being there. The archive and dump context are the
/// framework's; nothing here reads or writes them, so they are only declared.
#pragma once

#include <HalcyonApi.h>

class CArchive;
class CDumpContext;
class CObject;

/// The run-time class record that GetRuntimeClass returns: the class's name, its size, the
/// schema number of its archives and its base class's record (null for CObject).
struct HALCYON_API CRuntimeClass {
    const char* m_lpszClassName;      ///< the class's name
    int m_nObjectSize;                ///< its size
    unsigned int m_wSchema;           ///< the schema number of its archives
    CObject* (*m_pfnCreateObject)();  ///< null: objects are not made from the record
    CRuntimeClass* m_pBaseClass;      ///< the base class's record

    /// True when this class is `pBaseClass` or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

/// The root object class (see the top of this file).
class HALCYON_API CObject {
  public:
    /// The virtual operations, as described above.
    ///@{
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;
    ///@}

    bool IsSerializable() const;                       ///< the class's schema is not 0xFFFF
    bool IsKindOf(const CRuntimeClass* pClass) const;  ///< GetRuntimeClass()->IsDerivedFrom(pClass)

    static CRuntimeClass classCObject;  ///< CObject's record

  protected:
    CObject() = default;

  private:
    /// Framework objects are not copied unless a class says how.
    ///@{
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
    ///@}
};
