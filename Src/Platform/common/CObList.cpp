// SPDX-License-Identifier: Apache-2.0
#include <Platform/CObList.h>

#include <new>

// A block of nodes: this header, then m_nBlockSize nodes. Blocks are chained from the newest.
struct CObList::CPlex {
    CPlex* pNext;
};

namespace {

// What a lookup without an element hands out: a null pointer, set again on every use so that a
// caller who wrote through an earlier reference changes nothing.
CObject*& NoElement() {
    thread_local CObject* none;
    none = nullptr;
    return none;
}

template <typename Node>
Node* NodeAt(POSITION position) {
    return reinterpret_cast<Node*>(position);
}

}  // namespace

CObList::CObList(std::intptr_t nBlockSize)
    : m_pNodeHead(nullptr),
      m_pNodeTail(nullptr),
      m_nCount(0),
      m_pNodeFree(nullptr),
      m_pBlocks(nullptr),
      m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}

CObList::~CObList() { RemoveAll(); }

void CObList::RemoveAll() {
    m_pNodeHead = m_pNodeTail = m_pNodeFree = nullptr;
    m_nCount = 0;
    while (m_pBlocks != nullptr) {
        CPlex* next = m_pBlocks->pNext;
        ::operator delete(m_pBlocks);
        m_pBlocks = next;
    }
}

CObList::CNode* CObList::NewNode(CNode* pPrev, CNode* pNext) {
    if (m_pNodeFree == nullptr) {
        auto bytes = sizeof(CPlex) + static_cast<std::size_t>(m_nBlockSize) * sizeof(CNode);
        auto* block = static_cast<CPlex*>(::operator new(bytes));
        block->pNext = m_pBlocks;
        m_pBlocks = block;
        auto* nodes = reinterpret_cast<CNode*>(block + 1);
        // Chain the new nodes into the free list, the first node last.
        for (std::intptr_t i = m_nBlockSize - 1; i >= 0; --i) {
            nodes[i].pNext = m_pNodeFree;
            m_pNodeFree = &nodes[i];
        }
    }
    CNode* node = m_pNodeFree;
    m_pNodeFree = node->pNext;
    node->pPrev = pPrev;
    node->pNext = pNext;
    node->data = nullptr;
    ++m_nCount;
    return node;
}

// The node goes back to the free list; the blocks go once the list is empty.
void CObList::FreeNode(CNode* pNode) {
    pNode->pNext = m_pNodeFree;
    m_pNodeFree = pNode;
    if (--m_nCount == 0) RemoveAll();
}

CObject*& CObList::GetHead() { return m_pNodeHead != nullptr ? m_pNodeHead->data : NoElement(); }
CObject* const& CObList::GetHead() const {
    return m_pNodeHead != nullptr ? m_pNodeHead->data : NoElement();
}
CObject*& CObList::GetTail() { return m_pNodeTail != nullptr ? m_pNodeTail->data : NoElement(); }
CObject* const& CObList::GetTail() const {
    return m_pNodeTail != nullptr ? m_pNodeTail->data : NoElement();
}

CObject* CObList::RemoveHead() {
    if (m_pNodeHead == nullptr) return nullptr;
    CObject* element = m_pNodeHead->data;
    RemoveAt(reinterpret_cast<POSITION>(m_pNodeHead));
    return element;
}

CObject* CObList::RemoveTail() {
    if (m_pNodeTail == nullptr) return nullptr;
    CObject* element = m_pNodeTail->data;
    RemoveAt(reinterpret_cast<POSITION>(m_pNodeTail));
    return element;
}

POSITION CObList::AddHead(CObject* newElement) {
    return InsertBefore(GetHeadPosition(), newElement);
}

POSITION CObList::AddTail(CObject* newElement) {
    return InsertAfter(GetTailPosition(), newElement);
}

void CObList::AddHead(CObList* pNewList) {
    if (pNewList == nullptr || pNewList == this) return;
    for (POSITION pos = pNewList->GetTailPosition(); pos != nullptr;) {
        AddHead(pNewList->GetPrev(pos));
    }
}

void CObList::AddTail(CObList* pNewList) {
    if (pNewList == nullptr || pNewList == this) return;
    for (POSITION pos = pNewList->GetHeadPosition(); pos != nullptr;) {
        AddTail(pNewList->GetNext(pos));
    }
}

POSITION CObList::GetHeadPosition() const { return reinterpret_cast<POSITION>(m_pNodeHead); }
POSITION CObList::GetTailPosition() const { return reinterpret_cast<POSITION>(m_pNodeTail); }

CObject*& CObList::GetNext(POSITION& rPosition) {
    CNode* node = NodeAt<CNode>(rPosition);
    if (node == nullptr) return NoElement();
    rPosition = reinterpret_cast<POSITION>(node->pNext);
    return node->data;
}

CObject* const& CObList::GetNext(POSITION& rPosition) const {
    return const_cast<CObList*>(this)->GetNext(rPosition);
}

CObject*& CObList::GetPrev(POSITION& rPosition) {
    CNode* node = NodeAt<CNode>(rPosition);
    if (node == nullptr) return NoElement();
    rPosition = reinterpret_cast<POSITION>(node->pPrev);
    return node->data;
}

CObject* const& CObList::GetPrev(POSITION& rPosition) const {
    return const_cast<CObList*>(this)->GetPrev(rPosition);
}

CObject*& CObList::GetAt(POSITION position) {
    CNode* node = NodeAt<CNode>(position);
    return node != nullptr ? node->data : NoElement();
}

CObject* const& CObList::GetAt(POSITION position) const {
    return const_cast<CObList*>(this)->GetAt(position);
}

void CObList::SetAt(POSITION pos, CObject* newElement) {
    if (CNode* node = NodeAt<CNode>(pos)) node->data = newElement;
}

void CObList::RemoveAt(POSITION position) {
    CNode* node = NodeAt<CNode>(position);
    if (node == nullptr) return;
    (node == m_pNodeHead ? m_pNodeHead : node->pPrev->pNext) = node->pNext;
    (node == m_pNodeTail ? m_pNodeTail : node->pNext->pPrev) = node->pPrev;
    FreeNode(node);
}

POSITION CObList::InsertBefore(POSITION position, CObject* newElement) {
    CNode* old = NodeAt<CNode>(position);
    if (old == nullptr) old = m_pNodeHead;
    CNode* node = NewNode(old != nullptr ? old->pPrev : nullptr, old);
    node->data = newElement;
    (node->pPrev != nullptr ? node->pPrev->pNext : m_pNodeHead) = node;
    (old != nullptr ? old->pPrev : m_pNodeTail) = node;
    return reinterpret_cast<POSITION>(node);
}

POSITION CObList::InsertAfter(POSITION position, CObject* newElement) {
    CNode* old = NodeAt<CNode>(position);
    if (old == nullptr) old = m_pNodeTail;
    CNode* node = NewNode(old, old != nullptr ? old->pNext : nullptr);
    node->data = newElement;
    (node->pNext != nullptr ? node->pNext->pPrev : m_pNodeTail) = node;
    (old != nullptr ? old->pNext : m_pNodeHead) = node;
    return reinterpret_cast<POSITION>(node);
}

POSITION CObList::Find(CObject* searchValue, POSITION startAfter) const {
    CNode* node = NodeAt<CNode>(startAfter);
    node = node != nullptr ? node->pNext : m_pNodeHead;
    for (; node != nullptr; node = node->pNext) {
        if (node->data == searchValue) return reinterpret_cast<POSITION>(node);
    }
    return nullptr;
}

POSITION CObList::FindIndex(std::intptr_t nIndex) const {
    if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
    CNode* node = m_pNodeHead;
    while (nIndex-- > 0) node = node->pNext;
    return reinterpret_cast<POSITION>(node);
}
