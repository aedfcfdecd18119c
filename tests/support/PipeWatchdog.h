#pragma once

#include <QFile>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

// Should a read wait on a named pipe, opens its writing end after a while and closes it
// again, so that the read ends and the test fails instead of hanging.
class PipeWatchdog {
public:
    explicit PipeWatchdog(const QString &fifo)
        : FThread([this, path = QFile::encodeName(fifo)] {
              std::unique_lock<std::mutex> lock(FMutex);
              if (FDone.wait_for(lock, std::chrono::seconds(10), [this] { return FStop; }))
                  return;
              const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
              if (fd >= 0)
                  ::close(fd);
          })
    {
    }
    ~PipeWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStop = true;
        }
        FDone.notify_all();
        FThread.join();
    }

private:
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FStop = false;
    std::thread FThread;
};
