#pragma once

// COM interface pointers released in their destructor, and the thread's apartment
// held for the life of an object.

#include <utility>

#include "win32/WinHeaders.h"
// After the Windows headers, which it needs.
#include <objbase.h>

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : Pointer(std::exchange(other.Pointer, nullptr)) {}
  ~ComPtr() { Reset(); }

  T* Get() const { return Pointer; }
  T* operator->() const { return Pointer; }
  explicit operator bool() const { return Pointer != nullptr; }
  // For the functions that hand out an interface through a T**.
  T** Put() {
    Reset();
    return &Pointer;
  }
  void Reset() {
    if (Pointer) std::exchange(Pointer, nullptr)->Release();
  }

 private:
  T* Pointer = nullptr;
};

// The calling thread joins a single-threaded apartment (the shell's dialogs need one)
// and leaves it again at the end of the object's life.
class ComApartment {
 public:
  ComApartment()
      : Joined(SUCCEEDED(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (Joined) ::CoUninitialize();
  }

 private:
  bool Joined;
};
