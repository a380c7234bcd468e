#pragma once
// List<T>, the program's sequence container; Queue<T>, a list used first in first out; and
// ListIterator<T>, a walk in either direction that can remove and insert at its position.
//
// Items come from a fixed-size pool: by default the pool shared by all lists of the same T (made
// by the first such list with room for 10 items, kept to the end of the process), or a pool of
// the list's own when it is constructed with privatePool non-zero (freed at once with the list,
// replaced by a fresh one at every Clear and assignment). A list owns its items and the values in
// them; a list of pointers owns only the pointers. Element equality is T's operator==.
//
// Invariants: count equals the number of items reachable from head; head is null exactly when
// tail is null and count is 0; head's prev and tail's next are null; every item's neighbours point
// back at it. Check() verifies them.
//
// Removal and peek operations on an empty list, or for an absent value, return false and leave
// their out-arguments untouched; containers raise no errors of their own. Lists are used from one
// thread at a time.
//
// Stream form (Write/Read): i16 count, then the values in order, each in the stream form of the
// TypeInfo<T> registered for T (core/type_info.h). A list whose element type is not registered,
// or longer than 32767, is refused: the stream's failure flag is set and nothing is written.
#include "core/item_pool.h"
#include "core/message_registry.h"
#include "core/super_string.h"
#include "core/type_info.h"
#include "core/type_name.h"

#include <cstdint>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <utility>

template <class T>
class ListIterator;

template <class T>
struct Item {
    T value; // first, so that a pointer to an item is also a pointer to its value
    Item* next = nullptr;
    Item* prev = nullptr;

    template <class V>
    explicit Item(V&& v) : value(std::forward<V>(v)) {}
};

template <class T>
class List {
public:
    explicit List(int privatePool = 0) : ownPool(privatePool != 0) {
        pool = ownPool ? ItemPoolCreate(kItemSize, 10) : SharedPool();
    }

    List(const List& other) : ownPool(other.ownPool) {
        pool = ownPool ? ItemPoolCreate(kItemSize, other.count) : SharedPool();
        for (Item<T>* i = other.head; i; i = i->next) AddTail(i->value);
    }

    List(List&& other) noexcept
        : ownPool(other.ownPool), pool(other.pool), head(other.head), tail(other.tail), count(other.count) {
        other.head = other.tail = nullptr;
        other.count = 0;
        if (ownPool) other.pool = ItemPoolCreateNoThrow();
    }

    virtual ~List() {
        DestroyAll();
        if (ownPool) ItemPoolDestroy(pool);
    }

    List& operator=(const List& other) {
        if (this == &other) return *this;
        DestroyAll();
        if (ownPool) {
            ItemPoolDestroy(pool);
            pool = ItemPoolCreate(kItemSize, other.count);
        }
        for (Item<T>* i = other.head; i; i = i->next) AddTail(i->value);
        return *this;
    }

    List& operator=(List&& other) noexcept {
        if (this == &other) return *this;
        if (ownPool != other.ownPool || (!ownPool && pool != other.pool)) {
            // Items cannot change pools: copy them over.
            *this = static_cast<const List&>(other);
            other.Clear();
            return *this;
        }
        DestroyAll();
        if (ownPool) {
            ItemPoolDestroy(pool);
            pool = other.pool;
            other.pool = ItemPoolCreateNoThrow();
        }
        head = other.head;
        tail = other.tail;
        count = other.count;
        other.head = other.tail = nullptr;
        other.count = 0;
        return *this;
    }

    int Count() const { return count; }
    bool IsEmpty() const { return head == nullptr; }
    bool HasPrivatePool() const { return ownPool; }

    // Removes every item. A private pool is freed and replaced by a fresh one.
    void Clear() {
        DestroyAll();
        if (ownPool) {
            ItemPoolDestroy(pool);
            pool = ItemPoolCreate(kItemSize, 10);
        }
    }

    bool Contains(const T& value) const { return FindItem(value) != nullptr; }

    void AddTail(const T& value) { LinkTail(MakeItem(value)); }
    void AddTail(T&& value) { LinkTail(MakeItem(std::move(value))); }
    void AddHead(const T& value) { LinkHead(MakeItem(value)); }
    void AddHead(T&& value) { LinkHead(MakeItem(std::move(value))); }
    List& Append(const T& value) {
        AddTail(value);
        return *this;
    }
    List& Append(T&& value) {
        AddTail(std::move(value));
        return *this;
    }
    // Appends a copy of the value; returns the list (for chaining).
    List& operator<<(const T& value) { return Append(value); }
    // Removes the first equal value; returns the list.
    List& operator-=(const T& value) {
        Remove(value);
        return *this;
    }

    bool HeadItem(Item<T>*& out) const {
        if (!head) return false;
        out = head;
        return true;
    }
    bool TailItem(Item<T>*& out) const {
        if (!tail) return false;
        out = tail;
        return true;
    }
    Item<T>* Head() const { return head; }
    Item<T>* Tail() const { return tail; }

    bool PeekHead(T& out) const {
        if (!head) return false;
        out = head->value;
        return true;
    }
    bool PeekTail(T& out) const {
        if (!tail) return false;
        out = tail->value;
        return true;
    }
    bool GetFirst(T& out) const { return PeekHead(out); }

    bool RemoveHead() {
        if (!head) return false;
        Destroy(Unlink(head));
        return true;
    }
    bool RemoveTail() {
        if (!tail) return false;
        Destroy(Unlink(tail));
        return true;
    }
    bool RemoveHead(T& out) {
        if (!head) return false;
        out = std::move(head->value);
        return RemoveHead();
    }
    bool RemoveTail(T& out) {
        if (!tail) return false;
        out = std::move(tail->value);
        return RemoveTail();
    }
    List& PopTail(T& out) {
        RemoveTail(out);
        return *this;
    }

    // Removes the first item, from the head, whose value equals value.
    bool Remove(const T& value) {
        Item<T>* i = FindItem(value);
        if (!i) return false;
        Destroy(Unlink(i));
        return true;
    }
    // Removes the item when it belongs to this list; false (nothing destroyed) otherwise.
    bool RemoveItem(Item<T>* item) {
        for (Item<T>* i = head; i; i = i->next) {
            if (i == item) {
                Destroy(Unlink(i));
                return true;
            }
        }
        return false;
    }
    List& Erase(Item<T>* item) {
        RemoveItem(item);
        return *this;
    }
    List& Erase(const T& value) {
        Remove(value);
        return *this;
    }
    int RemoveAll(const T& value) {
        int n = 0;
        while (Remove(value)) ++n;
        return n;
    }
    // Removes every item whose value satisfies pred, keeping the order of the rest.
    template <class Pred>
    int RemoveIf(Pred pred) {
        int n = 0;
        for (Item<T>* i = head; i;) {
            Item<T>* next = i->next;
            if (pred(i->value)) {
                Destroy(Unlink(i));
                ++n;
            }
            i = next;
        }
        return n;
    }

    bool operator==(const List& o) const {
        if (count != o.count) return false;
        for (Item<T>*a = head, *b = o.head; a; a = a->next, b = b->next) {
            if (!(a->value == b->value)) return false;
        }
        return true;
    }

    // The values of other, in its order and with its duplicates, that this list contains.
    List operator&(const List& other) const {
        List result;
        for (Item<T>* i = other.head; i; i = i->next) {
            if (Contains(i->value)) result.AddTail(i->value);
        }
        return result;
    }
    // A copy of this list, then each value of other that the result does not yet contain.
    List operator|(const List& other) const {
        List result(*this);
        for (Item<T>* i = other.head; i; i = i->next) {
            if (!result.Contains(i->value)) result.AddTail(i->value);
        }
        return result;
    }

    virtual void Write(SuperString& s) const {
        const TypeInfoBase* type = ElementType();
        if (!type || count > 32767) {
            s.SetFailed();
            return;
        }
        s << static_cast<std::int16_t>(count);
        for (Item<T>* i = head; i; i = i->next) type->WriteValue(s, &i->value);
    }

    // Empties the list, then reads it. Stops at the first value the stream cannot give.
    virtual void Read(SuperString& s) {
        Clear();
        const TypeInfoBase* type = ElementType();
        if (!type) {
            s.SetFailed();
            return;
        }
        std::int16_t n = 0;
        s >> n;
        for (int k = 0; k < n && !s.Failed(); ++k) {
            T value = T();
            if (!type->ReadValue(s, &value)) break;
            AddTail(std::move(value));
        }
    }

    bool Check() const {
        if ((head == nullptr) != (tail == nullptr)) return false;
        if (head && (head->prev || tail->next)) return false;
        int n = 0;
        for (Item<T>* i = head; i; i = i->next) {
            if (i->next ? i->next->prev != i : i != tail) return false;
            if (++n > count) return false;
        }
        return n == count;
    }

    // The pool all shared-pool lists of T take their items from.
    static ItemPool SharedPool() {
        static ItemPool shared = ItemPoolCreate(kItemSize, 10);
        return shared;
    }

private:
    friend class ListIterator<T>;
    static_assert(sizeof(Item<T>) <= 0xFFFF, "list items come from pools of at most 65535-byte blocks");
    static constexpr std::uint16_t kItemSize = static_cast<std::uint16_t>(sizeof(Item<T>));

    static ItemPool ItemPoolCreateNoThrow() noexcept {
        try {
            return ItemPoolCreate(kItemSize, 0);
        } catch (...) {
            return nullptr;
        }
    }

    static const TypeInfoBase* ElementType() {
        // A pointer means nothing to another machine or a later run: it has no stream form, and
        // asking for one would tie every list of pointers to its class's type information.
        if constexpr (std::is_pointer_v<T>) {
            return nullptr;
        } else {
            const TypeInfoBase* type = FindTypeInfo(TypeNameOf<T>());
            return type && type->ValueType() == typeid(T) ? type : nullptr;
        }
    }

    template <class V>
    Item<T>* MakeItem(V&& value) {
        if (!pool) pool = ownPool ? ItemPoolCreate(kItemSize, 10) : SharedPool();
        void* block = ItemPoolAlloc(pool);
        try {
            return new (block) Item<T>(std::forward<V>(value));
        } catch (...) {
            ItemPoolFree(block);
            throw;
        }
    }

    void Destroy(Item<T>* item) {
        item->~Item<T>();
        ItemPoolFree(item);
    }

    // Values are destroyed one by one even where the whole pool goes at once, so that values
    // that hold memory of their own (strings, lists) do not leak.
    void DestroyAll() {
        for (Item<T>* i = head; i;) {
            Item<T>* next = i->next;
            if (ownPool) i->~Item<T>();
            else Destroy(i);
            i = next;
        }
        head = tail = nullptr;
        count = 0;
    }

    Item<T>* FindItem(const T& value) const {
        for (Item<T>* i = head; i; i = i->next) {
            if (i->value == value) return i;
        }
        return nullptr;
    }

    void LinkTail(Item<T>* item) {
        item->prev = tail;
        item->next = nullptr;
        if (tail) tail->next = item;
        else head = item;
        tail = item;
        ++count;
    }
    void LinkHead(Item<T>* item) {
        item->next = head;
        item->prev = nullptr;
        if (head) head->prev = item;
        else tail = item;
        head = item;
        ++count;
    }
    // Puts item before next (null: at the tail).
    void LinkBefore(Item<T>* item, Item<T>* next) {
        if (!next) return LinkTail(item);
        item->next = next;
        item->prev = next->prev;
        if (next->prev) next->prev->next = item;
        else head = item;
        next->prev = item;
        ++count;
    }
    void LinkAfter(Item<T>* item, Item<T>* prev) {
        if (!prev) return LinkHead(item);
        LinkBefore(item, prev->next);
    }
    Item<T>* Unlink(Item<T>* x) {
        if (x->prev) x->prev->next = x->next;
        else head = x->next;
        if (x->next) x->next->prev = x->prev;
        else tail = x->prev;
        x->next = x->prev = nullptr;
        --count;
        return x;
    }

    bool ownPool;
    ItemPool pool = nullptr;
    Item<T>* head = nullptr;
    Item<T>* tail = nullptr;
    int count = 0;
};

// A list used first in first out; always on the shared pool.
template <class T>
class Queue : public List<T> {
public:
    Queue() : List<T>(0) {}

    void Enqueue(const T& value) { this->AddTail(value); }
    void Enqueue(T&& value) { this->AddTail(std::move(value)); }
    bool Dequeue(T& out) { return this->RemoveHead(out); }
    bool Dequeue() { return this->RemoveHead(); }
    bool Peek(T& out) const { return this->PeekHead(out); }
    bool PeekItem(Item<T>*& out) const { return this->HeadItem(out); }

    void Write(SuperString& s) const override { List<T>::Write(s); }
    void Read(SuperString& s) override { List<T>::Read(s); }
};

// Walks a list. The cursor names the item that Next hands out next; once the last item has been
// returned the cursor is null, the next Next fails and puts the cursor back at the start, so a
// walk ends at the first false. The list must outlive the iterator, and an item removed behind
// its back must not be its cursor. A detached iterator (no list) fails every operation.
template <class T>
class ListIterator {
public:
    ListIterator() = default;
    explicit ListIterator(const List<T>* list_, int direction_ = 0) { Attach(list_, direction_); }

    void Attach(const List<T>* list_, int direction_ = 0) {
        list = const_cast<List<T>*>(list_);
        direction = direction_;
        Restart();
    }
    void SetDirection(int direction_) {
        direction = direction_;
        Restart();
    }
    void Restart() {
        if (list) cursor = direction == 0 ? list->head : list->tail;
    }
    void Step() {
        if (!list) return;
        if (!cursor) Restart();
        else cursor = direction == 0 ? cursor->next : cursor->prev;
    }

    bool Next(T& out) {
        Item<T>* item;
        if (!NextItem(item)) return false;
        out = item->value;
        return true;
    }
    bool NextItem(Item<T>*& out) {
        if (!list) return false;
        Item<T>* taken = cursor;
        Step();
        if (!taken) return false;
        out = taken;
        return true;
    }
    bool Advance() {
        if (!list) return false;
        Step();
        return cursor != nullptr;
    }
    bool Peek(T& out) const {
        Item<T>* item;
        if (!PeekItem(item)) return false;
        out = item->value;
        return true;
    }
    // The cursor item, or at the end of a walk the last item of the direction.
    bool PeekItem(Item<T>*& out) const {
        if (!list) return false;
        Item<T>* item = cursor ? cursor : (direction == 0 ? list->tail : list->head);
        if (!item) return false;
        out = item;
        return true;
    }
    // Continues from the item returned last, in the other direction, without returning it again.
    void Reverse() {
        direction = direction == 0 ? 1 : 0;
        Step();
        Step();
    }
    bool IsDetached() const { return list == nullptr; }
    int Direction() const { return direction; }

    // Removes the item that Next returned last; the walk goes on with the same next item.
    bool RemoveLast() {
        if (!list || list->IsEmpty()) return false;
        Item<T>* victim;
        if (direction == 0) {
            if (cursor == list->head) return false;
            victim = cursor ? cursor->prev : list->tail;
        } else {
            if (cursor == list->tail) return false;
            victim = cursor ? cursor->next : list->head;
        }
        list->Destroy(list->Unlink(victim));
        return true;
    }

    // Inserts a copy of value between the item returned last and the cursor; the current walk
    // does not return it.
    bool Insert(const T& value) {
        if (!list) return false;
        if (direction == 0) {
            if (cursor == list->head) return false;
            list->LinkBefore(list->MakeItem(value), cursor);
        } else {
            if (cursor == list->tail) return false;
            list->LinkAfter(list->MakeItem(value), cursor);
        }
        return true;
    }

private:
    List<T>* list = nullptr;
    Item<T>* cursor = nullptr;
    int direction = 0;
};

template <class T>
SuperString& operator<<(SuperString& s, const List<T>& list) {
    list.Write(s);
    return s;
}

template <class T>
SuperString& operator>>(SuperString& s, List<T>& list) {
    list.Read(s);
    return s;
}

// The name of a list type is "List<" + the element's name + ">".
template <class T>
struct TypeNameTraits<List<T>> {
    static std::string Name() { return "List<" + TypeNameOf<T>() + ">"; }
};
