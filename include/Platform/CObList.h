/// \file
/// CObList: the host framework's doubly linked list of CObject pointers.
///
/// The list holds pointers and never deletes what they point to (RemoveAll empties the list and
/// leaves the objects alone). Nodes come from blocks of nBlockSize nodes (10 unless the
/// constructor says otherwise) that are kept for reuse and given back when the list becomes empty.
/// A POSITION names one node: GetNext and GetPrev return the element at it and move it on (null
/// after the last, or before the first). Where the framework only asserts (the head of an empty
/// list, a null POSITION), this list returns null or a reference to a null pointer and changes
/// nothing. A POSITION of another list, or of a node already removed, is the caller's error.
#pragma once

#include <Platform/CObject.h>

#include <cstdint>

struct CPositionTag;
using POSITION = CPositionTag*;  ///< names one node of a list

/// The list (see the top of this file).
class HALCYON_API CObList : public CObject {
  public:
    explicit CObList(std::intptr_t nBlockSize = 10);  ///< an empty list
    ~CObList() override;

    /// The number of elements.
    ///@{
    std::intptr_t GetCount() const { return m_nCount; }
    std::intptr_t GetSize() const { return m_nCount; }
    ///@}
    bool IsEmpty() const { return m_nCount == 0; }  ///< no elements

    /// The first (last) element; a null pointer for an empty list.
    ///@{
    CObject*& GetHead();
    CObject* const& GetHead() const;
    CObject*& GetTail();
    CObject* const& GetTail() const;
    ///@}

    /// Removes the first (last) element and returns it; null for an empty list.
    ///@{
    CObject* RemoveHead();
    CObject* RemoveTail();
    ///@}

    /// Adds one element at the head (tail); its position.
    ///@{
    POSITION AddHead(CObject* newElement);
    POSITION AddTail(CObject* newElement);
    ///@}
    /// Adds every element of `pNewList`, keeping its order; a null list or the list itself adds
    /// nothing.
    ///@{
    void AddHead(CObList* pNewList);
    void AddTail(CObList* pNewList);
    ///@}

    void RemoveAll();  ///< empties the list; the objects stay

    /// The first (last) node; null for an empty list.
    ///@{
    POSITION GetHeadPosition() const;
    POSITION GetTailPosition() const;
    ///@}
    /// The element at rPosition, which moves to the next (previous) node.
    ///@{
    CObject*& GetNext(POSITION& rPosition);
    CObject* const& GetNext(POSITION& rPosition) const;
    CObject*& GetPrev(POSITION& rPosition);
    CObject* const& GetPrev(POSITION& rPosition) const;
    ///@}

    /// The element at a node: read, replaced, removed with its node.
    ///@{
    CObject*& GetAt(POSITION position);
    CObject* const& GetAt(POSITION position) const;
    void SetAt(POSITION pos, CObject* newElement);
    void RemoveAt(POSITION position);
    ///@}

    /// A null position inserts at the head (InsertBefore) or the tail (InsertAfter).
    ///@{
    POSITION InsertBefore(POSITION position, CObject* newElement);
    POSITION InsertAfter(POSITION position, CObject* newElement);
    ///@}

    /// The first node after `startAfter` (from the head when null) whose pointer equals
    /// `searchValue`; null when there is none.
    POSITION Find(CObject* searchValue, POSITION startAfter = nullptr) const;
    /// The node at zero-based `nIndex`; null when out of range.
    POSITION FindIndex(std::intptr_t nIndex) const;

  protected:
    /// \cond internal
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        CObject* data;
    };
    struct CPlex;

    CNode* NewNode(CNode* pPrev, CNode* pNext);
    void FreeNode(CNode* pNode);

    CNode* m_pNodeHead;
    CNode* m_pNodeTail;
    std::intptr_t m_nCount;
    CNode* m_pNodeFree;
    CPlex* m_pBlocks;
    std::intptr_t m_nBlockSize;
    /// \endcond
};
