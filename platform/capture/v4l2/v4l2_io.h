#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

// Every system call the V4L2 backend makes on a video device goes through one object of this
// kind, so that tests can record the requests and answer them without a camera. Results follow
// one rule: a value of 0 or more is success, a negative value is -errno.
class V4l2Io
{
  public:
    virtual ~V4l2Io() = default;

    // The descriptor, or -errno.
    virtual int Open(const std::string& strPath, int nFlags) = 0;
    virtual void Close(int fd) = 0;
    // 0, or -errno; an interrupted call is repeated.
    virtual int Ioctl(int fd, unsigned long nRequest, void* pArg) = 0;
    // Maps nLength bytes of the device at nOffset for reading and writing; nullptr on failure.
    virtual void* Map(int fd, size_t nLength, off_t nOffset) = 0;
    virtual void Unmap(void* p, size_t nLength) = 0;
    // Waits at most nTimeoutMs for a filled buffer: 1 ready, 0 timed out, -errno (a device in
    // error or gone reports -EIO).
    virtual int Poll(int fd, int nTimeoutMs) = 0;
    // Takes (bLock) or drops the advisory exclusive lock on the file that fd opened, without
    // waiting: -EWOULDBLOCK while another open of the same file holds it. Closing drops it too.
    virtual int Lock(int fd, bool bLock) = 0;

    // The io of the running system.
    static V4l2Io& System();
};

// Owns one open descriptor and closes it through its io.
class V4l2Fd
{
  public:
    V4l2Fd() = default;
    V4l2Fd(V4l2Io& io, int fd) : m_pIo(&io), m_fd(fd) {}
    V4l2Fd(const V4l2Fd&) = delete;
    V4l2Fd& operator=(const V4l2Fd&) = delete;
    V4l2Fd(V4l2Fd&& other) noexcept : m_pIo(other.m_pIo), m_fd(other.m_fd) { other.m_fd = -1; }
    V4l2Fd& operator=(V4l2Fd&& other) noexcept;
    ~V4l2Fd() { Reset(); }

    int Get() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    void Reset();

  private:
    V4l2Io* m_pIo = nullptr;
    int m_fd = -1;
};

// Owns one buffer mapping and unmaps it through its io.
class V4l2Mapping
{
  public:
    V4l2Mapping(V4l2Io& io, void* p, size_t nLength) : m_pIo(&io), m_p(p), m_nLength(nLength) {}
    V4l2Mapping(const V4l2Mapping&) = delete;
    V4l2Mapping& operator=(const V4l2Mapping&) = delete;
    V4l2Mapping(V4l2Mapping&& other) noexcept : m_pIo(other.m_pIo), m_p(other.m_p), m_nLength(other.m_nLength)
    {
        other.m_p = nullptr;
    }
    V4l2Mapping& operator=(V4l2Mapping&&) = delete;
    ~V4l2Mapping()
    {
        if (m_p != nullptr)
            m_pIo->Unmap(m_p, m_nLength);
    }

    void* Data() const { return m_p; }
    size_t Length() const { return m_nLength; }

  private:
    V4l2Io* m_pIo;
    void* m_p;
    size_t m_nLength;
};
