#include "platform/capture/v4l2/v4l2_io.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace
{

class SystemIo final : public V4l2Io
{
  public:
    int Open(const std::string& strPath, int nFlags) override
    {
        int fd = ::open(strPath.c_str(), nFlags | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }

    void Close(int fd) override { ::close(fd); }

    int Ioctl(int fd, unsigned long nRequest, void* pArg) override
    {
        int nResult;
        do
            nResult = ::ioctl(fd, nRequest, pArg);
        while (nResult < 0 && errno == EINTR);
        return nResult < 0 ? -errno : 0;
    }

    void* Map(int fd, size_t nLength, off_t nOffset) override
    {
        void* p = ::mmap(nullptr, nLength, PROT_READ | PROT_WRITE, MAP_SHARED, fd, nOffset);
        return p == MAP_FAILED ? nullptr : p;
    }

    void Unmap(void* p, size_t nLength) override { ::munmap(p, nLength); }

    int Poll(int fd, int nTimeoutMs) override
    {
        pollfd entry{fd, POLLIN, 0};
        int nResult = ::poll(&entry, 1, nTimeoutMs);
        if (nResult < 0)
            return -errno;
        if (nResult == 0)
            return 0;
        if (entry.revents & POLLIN)
            return 1;
        return -EIO;
    }

    int Lock(int fd, bool bLock) override
    {
        int nResult;
        do
            nResult = ::flock(fd, bLock ? LOCK_EX | LOCK_NB : LOCK_UN);
        while (nResult < 0 && errno == EINTR);
        return nResult < 0 ? -errno : 0;
    }
};

} // namespace

V4l2Io& V4l2Io::System()
{
    static SystemIo s_io;
    return s_io;
}

V4l2Fd& V4l2Fd::operator=(V4l2Fd&& other) noexcept
{
    if (this != &other)
    {
        Reset();
        m_pIo = other.m_pIo;
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void V4l2Fd::Reset()
{
    if (m_fd >= 0)
        m_pIo->Close(m_fd);
    m_fd = -1;
}
