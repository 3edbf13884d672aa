#include "worker_thread.h"

#include <process.h>

UniqueKernelHandle StartWorkerThread(WorkerFunction function, void* parameter, unsigned flags)
{
    unsigned id = 0;
    return UniqueKernelHandle(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, function, parameter, flags, &id)));
}
