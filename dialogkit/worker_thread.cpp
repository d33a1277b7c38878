#include "worker_thread.h"

namespace dialogkit {

WorkerThread::~WorkerThread() {
    if (handle_)
        CloseHandle(handle_);
}

bool WorkerThread::CreateSuspended() {
    // The 9x family fails the call when no place for the identifier is given.
    DWORD id = 0;
    handle_ = CreateThread(nullptr, 0, Entry, this, CREATE_SUSPENDED, &id);
    if (!handle_) {
        delete this;
        return false;
    }
    return true;
}

void WorkerThread::Resume() {
    ResumeThread(handle_);
}

DWORD WINAPI WorkerThread::Entry(LPVOID parameter) {
    WorkerThread* self = static_cast<WorkerThread*>(parameter);
    const int code = self->InitInstance() ? self->Run() : self->ExitInstance();
    // Returning ends the thread as ExitThread would, after the object is gone.
    delete self;
    return static_cast<DWORD>(code);
}

} // namespace dialogkit
