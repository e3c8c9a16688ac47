#pragma once
// CMyList: the program's doubly linked list of heap records (profiles, macros,
// the combo button's items). In ownership mode 16 the list owns its elements:
// removing a node calls the release callback with the element and then frees
// it; in any other mode (the constructor sets 17) elements are left alone.
//
// Each list carries one re-entrant lock. Every operation takes it; a caller
// that walks the list or keeps an element pointer across calls holds Lock()
// for as long as it does.

#include <cstddef>
#include <mutex>
#include <new>

constexpr int kListOwnsElements = 16;
constexpr int kListBorrowsElements = 17;

template <typename T> class CMyList {
public:
    struct Node {
        T* pData;
        Node* pNext;
        Node* pPrev;
    };
    using ReleaseFn = void (*)(T*);

    CMyList() = default;
    virtual ~CMyList() { RemoveAll(); }
    CMyList(const CMyList&) = delete;
    CMyList& operator=(const CMyList&) = delete;

    std::unique_lock<std::recursive_mutex> Lock() const {
        return std::unique_lock<std::recursive_mutex>(m_mutex);
    }

    void SetOwnership(int mode) {
        auto lock = Lock();
        m_nMode = mode;
    }
    int Ownership() const {
        auto lock = Lock();
        return m_nMode;
    }
    void SetReleaseCallback(ReleaseFn fn) {
        auto lock = Lock();
        m_pfnRelease = fn;
    }

    // 1, or 0 when no node can be allocated (the element is then not taken).
    int AddTail(T* element) {
        auto lock = Lock();
        Node* node = new (std::nothrow) Node{element, nullptr, m_pTail};
        if (!node)
            return 0;
        if (m_pTail)
            m_pTail->pNext = node;
        else
            m_pHead = node;
        m_pTail = node;
        ++m_nCount;
        return 1;
    }

    void Remove(Node* node) {
        auto lock = Lock();
        if (!node)
            return;
        (node->pPrev ? node->pPrev->pNext : m_pHead) = node->pNext;
        (node->pNext ? node->pNext->pPrev : m_pTail) = node->pPrev;
        --m_nCount;
        Release(node->pData);
        delete node;
    }

    void RemoveAll() {
        auto lock = Lock();
        while (m_pHead)
            Remove(m_pHead);
    }

    int Count() const {
        auto lock = Lock();
        return m_nCount;
    }
    Node* Head() const { return m_pHead; }
    Node* Tail() const { return m_pTail; }

    // The element at `index` (0-based), or nullptr.
    T* At(int index) const {
        auto lock = Lock();
        if (index < 0)
            return nullptr;
        for (Node* n = m_pHead; n; n = n->pNext)
            if (index-- == 0)
                return n->pData;
        return nullptr;
    }

    // The position of `element` by identity, or -1.
    int IndexOf(const T* element) const {
        auto lock = Lock();
        int i = 0;
        for (Node* n = m_pHead; n; n = n->pNext, ++i)
            if (n->pData == element)
                return i;
        return -1;
    }

    // The node of the first element for which pred(element) holds, or nullptr.
    template <typename Pred> Node* FindNode(Pred pred) const {
        auto lock = Lock();
        for (Node* n = m_pHead; n; n = n->pNext)
            if (pred(*n->pData))
                return n;
        return nullptr;
    }

    template <typename Fn> void ForEach(Fn fn) const {
        auto lock = Lock();
        for (Node* n = m_pHead; n; n = n->pNext)
            fn(*n->pData);
    }

private:
    void Release(T* element) {
        if (m_nMode != kListOwnsElements)
            return;
        if (m_pfnRelease)
            m_pfnRelease(element);
        delete element;
    }

    int m_nMode = kListBorrowsElements;
    int m_nCount = 0;
    ReleaseFn m_pfnRelease = nullptr;
    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    mutable std::recursive_mutex m_mutex;
};
