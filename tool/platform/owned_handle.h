// The one shape of every owner of a system handle: it releases what it holds when it goes,
// unless it holds the handle type's "none". Traits name the handle type, its none and its release:
//   struct Traits { using Handle = ...; static Handle None(); static void Release(Handle); };
#pragma once

namespace platform {

template <typename Traits> class OwnedHandle {
  public:
    using Handle = typename Traits::Handle;
    explicit OwnedHandle(Handle handle = Traits::None()) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != Traits::None())
            Traits::Release(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    Handle get() const { return handle_; }

  private:
    Handle handle_;
};

} // namespace platform
