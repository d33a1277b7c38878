// A worker thread with an object of its own: made suspended so that the starter can fill the
// object in, then resumed; the object runs its start and its work on that thread and is
// deleted there when the work ends. Nothing waits for it and nothing stops it.
#pragma once

#include <windows.h>

namespace dialogkit {

class WorkerThread {
  public:
    WorkerThread() = default;
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Creates the suspended thread for this object (made with new). False when no thread could
    // be made; the object is then deleted.
    bool CreateSuspended();
    // Lets the thread run. From then on the object belongs to its thread and may be gone.
    void Resume();

  protected:
    // Runs first on the thread; Run follows only when it returns TRUE, else ExitInstance.
    virtual BOOL InitInstance() { return FALSE; }
    // The thread's work; its result is the thread's exit code.
    virtual int Run() { return ExitInstance(); }
    virtual int ExitInstance() { return 0; }

  private:
    static DWORD WINAPI Entry(LPVOID self);

    HANDLE handle_ = nullptr;
};

} // namespace dialogkit
