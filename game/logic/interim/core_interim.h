#pragma once
// Interim stand-ins for the application core's list templates, geometry values and component
// base, with the same operation names, so that the battlefield builds and is tested before the
// core joins this branch. Removed when it does; nothing here is meant to outlive that.
#include <cstdint>
#include <iterator>
#include <list>
#include <string>

struct Point {
    std::int16_t x = 0;
    std::int16_t y = 0;
    Point() = default;
    Point(std::int16_t px, std::int16_t py) : x(px), y(py) {}
    bool operator==(const Point&) const = default;
};

struct Point3D {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t z = 0;
    Point3D() = default;
    Point3D(std::int16_t px, std::int16_t py, std::int16_t pz) : x(px), y(py), z(pz) {}
    bool operator==(const Point3D&) const = default;
};

template <class T> class ListIterator;

template <class T> class List {
public:
    explicit List(int privatePool = 0) : privatePool_(privatePool) {}
    virtual ~List() = default;
    List(const List&) = default;
    List& operator=(const List&) = default;

    short Count() const { return static_cast<short>(items_.size()); }
    short IsEmpty() const { return items_.empty(); }
    void Clear() { items_.clear(); }
    short Contains(const T& v) const {
        for (const auto& x : items_)
            if (x == v) return 1;
        return 0;
    }
    void AddTail(const T& v) { items_.push_back(v); }
    void AddHead(const T& v) { items_.push_front(v); }
    List& Append(const T& v) { AddTail(v); return *this; }
    short PeekHead(T& v) const { if (items_.empty()) return 0; v = items_.front(); return 1; }
    short PeekTail(T& v) const { if (items_.empty()) return 0; v = items_.back(); return 1; }
    short RemoveHead() { if (items_.empty()) return 0; items_.pop_front(); return 1; }
    short RemoveHead(T& v) { if (items_.empty()) return 0; v = items_.front(); items_.pop_front(); return 1; }
    short RemoveTail() { if (items_.empty()) return 0; items_.pop_back(); return 1; }
    short RemoveTail(T& v) { if (items_.empty()) return 0; v = items_.back(); items_.pop_back(); return 1; }
    short Remove(const T& v) {
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (*it == v) {
                items_.erase(it);
                return 1;
            }
        return 0;
    }
    int RemoveAll(const T& v) {
        int n = 0;
        while (Remove(v)) ++n;
        return n;
    }
    short operator==(const List& o) const { return items_ == o.items_; }

private:
    friend class ListIterator<T>;
    int privatePool_;
    std::list<T> items_;
};

template <class T> class Queue : public List<T> {
public:
    void Enqueue(const T& v) { this->AddTail(v); }
    short Dequeue(T& v) { return this->RemoveHead(v); }
    short Dequeue() { return this->RemoveHead(); }
};

template <class T> class ListIterator {
public:
    ListIterator() = default;
    explicit ListIterator(const List<T>* list, int direction = 0) { Attach(list, direction); }
    void Attach(const List<T>* list, int direction = 0) {
        list_ = list;
        direction_ = direction;
        Restart();
    }
    void Restart() {
        if (!list_) return;
        pos_ = 0;
        at_ = direction_ == 0 ? list_->items_.begin() : list_->items_.end();
    }
    short Next(T& v) {
        if (!list_) return 0;
        const auto n = static_cast<std::size_t>(list_->items_.size());
        if (pos_ >= n) {
            Restart();
            return 0;
        }
        if (direction_ == 0) {
            v = *at_;
            ++at_;
        } else {
            --at_;
            v = *at_;
        }
        ++pos_;
        return 1;
    }

private:
    const List<T>* list_ = nullptr;
    int direction_ = 0;
    std::size_t pos_ = 0;
    typename std::list<T>::const_iterator at_;
};

class Component {
public:
    explicit Component(const char* name = nullptr) : name_(name ? name : "Unnamed Component") {}
    virtual ~Component() = default;
    virtual void Connect() {}
    std::string GetName() const { return name_; }
    std::uint16_t GetId() const { return 0xFFFF; }

private:
    std::string name_;
};
