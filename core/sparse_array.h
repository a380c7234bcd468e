#pragma once
// SparseArray<T> maps 32-bit signed indexes to values, creating an element that holds the
// default value the first time an index is used. It is built on BSTree<T>, an unbalanced binary
// search tree whose nodes carry the index as key. Element 0 is the tree's root: it always exists
// and is never removed. The last successful look-up is remembered, so that repeated access to
// one index costs no walk.
//
// Invariants (Check): keys are unique; every key in a node's left subtree is smaller and every
// key in its right subtree larger; the remembered look-up, when set, is the value of its key.
#include "core/assertion.h"
#include "core/list.h"

#include <cstdint>
#include <new>
#include <vector>

template <class T>
class BSTree {
public:
    BSTree(std::int32_t key_, const T& value_) : value(value_), key(key_) {}
    BSTree(const BSTree&) = delete;
    BSTree& operator=(const BSTree&) = delete;
    ~BSTree() { Clear(); }

    T* FindValue(std::int32_t k) {
        BSTree* n = FindNode(k);
        return n ? &n->value : nullptr;
    }
    bool Find(std::int32_t k, T& out) {
        T* v = FindValue(k);
        if (!v) return false;
        out = *v;
        return true;
    }
    // False when the key is present or no memory could be had.
    bool Insert(std::int32_t k, const T& v) { return Place(k, v, false); }
    // Overwrites the value of a present key, else inserts; false only when no memory.
    bool Set(std::int32_t k, const T& v) { return Place(k, v, true); }

    // Removes the node of key k below this node; this node's own key is never removed.
    bool Remove(std::int32_t k) {
        if (k == key) return false;
        BSTree** slot = this->SlotOf(k);
        if (!*slot) return false;
        BSTree* victim = *slot;
        if (victim->right) {
            *slot = victim->right;
            if (victim->left) (*slot)->AttachSubtree(victim->left);
        } else {
            *slot = victim->left;
        }
        victim->left = victim->right = nullptr;
        delete victim;
        return true;
    }

    // Hangs subtree s under this node at the place its key belongs; false for null or a key
    // met on the way.
    bool AttachSubtree(BSTree* s) {
        if (!s) return false;
        BSTree** slot = SlotOf(s->key);
        if (*slot) return false;
        *slot = s;
        return true;
    }

    // Addresses of all values in ascending key order.
    void AppendValues(List<T*>& out) {
        std::vector<BSTree*> stack;
        for (BSTree* n = this; n || !stack.empty();) {
            while (n) {
                stack.push_back(n);
                n = n->left;
            }
            n = stack.back();
            stack.pop_back();
            out.AddTail(&n->value);
            n = n->right;
        }
    }

    // Deletes both subtrees. Iterative: a tree filled in ascending order is one long chain.
    int Clear() {
        std::vector<BSTree*> doomed;
        if (right) doomed.push_back(right);
        if (left) doomed.push_back(left);
        left = right = nullptr;
        while (!doomed.empty()) {
            BSTree* n = doomed.back();
            doomed.pop_back();
            if (n->right) doomed.push_back(n->right);
            if (n->left) doomed.push_back(n->left);
            n->left = n->right = nullptr;
            delete n;
        }
        return 0;
    }

    bool Check(std::int64_t low, std::int64_t high) const {
        std::vector<const BSTree*> stack{this};
        std::vector<std::pair<std::int64_t, std::int64_t>> bounds{{low, high}};
        while (!stack.empty()) {
            const BSTree* n = stack.back();
            auto [lo, hi] = bounds.back();
            stack.pop_back();
            bounds.pop_back();
            if (n->key <= lo || n->key >= hi) return false;
            if (n->left) {
                stack.push_back(n->left);
                bounds.push_back({lo, n->key});
            }
            if (n->right) {
                stack.push_back(n->right);
                bounds.push_back({n->key, hi});
            }
        }
        return true;
    }

    BSTree* left = nullptr;
    BSTree* right = nullptr;
    T value;
    std::int32_t key;

private:
    BSTree* FindNode(std::int32_t k) {
        for (BSTree* n = this; n;) {
            if (k == n->key) return n;
            n = k > n->key ? n->right : n->left;
        }
        return nullptr;
    }

    // The link below this node where key k is or would be hung (never this node itself).
    BSTree** SlotOf(std::int32_t k) {
        BSTree* n = this;
        for (;;) {
            BSTree** slot = k > n->key ? &n->right : &n->left;
            if (!*slot || (*slot)->key == k) return slot;
            n = *slot;
        }
    }

    bool Place(std::int32_t k, const T& v, bool overwrite) {
        if (k == key) {
            if (overwrite) value = v;
            return overwrite;
        }
        BSTree** slot = SlotOf(k);
        if (*slot) {
            if (overwrite) (*slot)->value = v;
            return overwrite;
        }
        *slot = new (std::nothrow) BSTree(k, v);
        return *slot != nullptr;
    }
};

// The abstract base of the array templates.
template <class T>
class Array {
public:
    explicit Array(const T& defaultValue_) : defaultValue(defaultValue_) {}
    virtual ~Array() = default;
    virtual T& operator[](std::int32_t index) = 0;
    virtual bool Find(std::int32_t index, T& out) = 0;
    virtual List<T*> Values() = 0;

protected:
    T defaultValue;
};

template <class T>
class SparseArray : public Array<T> {
public:
    explicit SparseArray(const T& defaultValue_ = T()) : Array<T>(defaultValue_), root(0, defaultValue_) {}
    SparseArray(const SparseArray&) = delete;
    SparseArray& operator=(const SparseArray&) = delete;
    ~SparseArray() override { root.Clear(); }

    // The element of index, created with the default value when missing.
    T& operator[](std::int32_t index) override {
        if (lastFound && index == lastIndex) return *lastFound;
        T* v = root.FindValue(index);
        if (!v) {
            if (!root.Insert(index, this->defaultValue)) {
                AssertFail("Out of memory. Close all applications and try again.", "ARRAY", 46);
            }
            v = root.FindValue(index);
            // Going on after the box without an element would write through null.
            if (!v) throw std::bad_alloc();
        }
        lastIndex = index;
        lastFound = v;
        return *v;
    }

    // Copies the element out when it exists; creates nothing.
    bool Find(std::int32_t index, T& out) override {
        lastFound = root.FindValue(index);
        if (!lastFound) return false;
        lastIndex = index;
        out = *lastFound;
        return true;
    }

    // The element of index in place, or null; creates nothing.
    T* Lookup(std::int32_t index) {
        if (lastFound && index == lastIndex) return lastFound;
        T* v = root.FindValue(index);
        if (v) {
            lastIndex = index;
            lastFound = v;
        }
        return v;
    }

    // Addresses of every value in ascending index order, element 0 included.
    List<T*> Values() override {
        List<T*> out;
        root.AppendValues(out);
        return out;
    }

    // Removes every element but element 0, which keeps its value.
    virtual void Clear() {
        root.Clear();
        lastFound = nullptr;
    }

    bool Remove(std::int32_t index) {
        if (lastFound && index == lastIndex) lastFound = nullptr;
        return root.Remove(index);
    }

    bool Check() const {
        if (!root.Check(INT64_MIN, INT64_MAX)) return false;
        if (!lastFound) return true;
        return const_cast<BSTree<T>&>(root).FindValue(lastIndex) == lastFound;
    }

    BSTree<T>& Tree() { return root; }

private:
    std::int32_t lastIndex = 0;
    T* lastFound = nullptr;
    BSTree<T> root;
};
