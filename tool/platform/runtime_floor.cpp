// What the C++ runtime would otherwise bring into Keystead from its prebuilt library, which is
// built for a Pentium Pro: the string class, the allocation operators and the exits the standard
// containers take on a broken request, built here with the program's own flags for a Pentium.
// Keystead is built without exceptions, so none of them is ever caught: ending the process is
// what an uncaught one would do.
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

// The standard string class, instantiated here rather than taken from the runtime library.
template class std::basic_string<char>;

namespace {

[[noreturn]] void EndOnBrokenRequest() {
    ExitProcess(3);
}

void* Allocate(std::size_t size) {
    return std::malloc(size != 0 ? size : 1);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* block = Allocate(size))
        return block;
    EndOnBrokenRequest();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace std {

void __throw_bad_alloc() {
    EndOnBrokenRequest();
}
void __throw_bad_array_new_length() {
    EndOnBrokenRequest();
}
void __throw_length_error(const char*) {
    EndOnBrokenRequest();
}
void __throw_logic_error(const char*) {
    EndOnBrokenRequest();
}
void __throw_out_of_range(const char*) {
    EndOnBrokenRequest();
}
void __throw_out_of_range_fmt(const char*, ...) {
    EndOnBrokenRequest();
}
void __throw_invalid_argument(const char*) {
    EndOnBrokenRequest();
}

} // namespace std
