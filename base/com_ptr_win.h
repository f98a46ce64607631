#pragma once
// COM ownership for our Windows code: an interface pointer that releases itself, and COM for the
// calling thread for as long as one scope lasts.

#include <objbase.h>

#include <utility>

// Owns one reference to a COM object; move-only like the handle owners.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller holds (an object made with one reference, say).
    static ComPtr adopt(T* p)
    {
        ComPtr owner;
        owner.p_ = p;
        return owner;
    }

    // Lets go of the reference held, if any.
    void reset()
    {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // For a call that hands out a new reference: whatever was held is released first.
    T** put()
    {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// COM for the calling thread in the given model (COINIT_*) while the scope lasts. A thread that
// has COM in another model already keeps it: that is no failure, and nothing is undone for it.
class ComScope {
public:
    explicit ComScope(DWORD model) : ok_(SUCCEEDED(CoInitializeEx(nullptr, model))) {}
    ~ComScope()
    {
        if (ok_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};
