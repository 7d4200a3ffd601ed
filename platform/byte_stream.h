#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace palvex {

// A seekable stream of bytes with 64-bit size and position: what the coder and the archive
// components read from and write to.
class ByteStream {
public:
    enum class Origin { Begin, Current, End };

    virtual ~ByteStream() = default;

    // Reads up to count bytes and answers how many came; 0 at the end. Raises on an error.
    virtual std::int64_t read(void* buffer, std::int64_t count) = 0;
    // Writes up to count bytes and answers how many went.
    virtual std::int64_t write(const void* buffer, std::int64_t count) = 0;
    // Moves the position and answers the new one.
    virtual std::int64_t seek(std::int64_t offset, Origin origin) = 0;
    virtual std::int64_t size() const = 0;
    virtual std::int64_t position() const = 0;
    // Cuts the stream at the current position.
    virtual void truncate() = 0;

    // Writes everything or raises "Stream write error": data must never be dropped silently.
    void writeAll(const void* buffer, std::int64_t count);
};

// A file opened for the life of the object.
class FileStream final : public ByteStream {
public:
    enum class Mode {
        Create,    // a new file, or an existing one emptied; read and write
        OpenRead,  // an existing file, read only
        OpenWrite, // an existing file, read and write
    };

    // Raises palvex::Exception with "Cannot create file "%s". %s" or
    // "Cannot open file "%s". %s" (the path and the system's reason).
    FileStream(const std::string& path, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::int64_t read(void* buffer, std::int64_t count) override;
    std::int64_t write(const void* buffer, std::int64_t count) override;
    std::int64_t seek(std::int64_t offset, Origin origin) override;
    std::int64_t size() const override;
    std::int64_t position() const override;
    void truncate() override;

    int descriptor() const { return fd_; }
    const std::string& path() const { return path_; }
    // Closes now and raises when the system reports an error (a full disk shows here).
    void close();

private:
    std::string path_;
    int fd_ = -1;
};

// Gathers small writes into large ones over another stream. Reads, seeks and truncation go to
// the stream underneath after a flush; the position counts what is still gathered.
class BufferedWriter final : public ByteStream {
public:
    explicit BufferedWriter(ByteStream& target, std::size_t capacity = 131072);
    // Flushes what is left, ignoring failures: call flush() first to learn of them.
    ~BufferedWriter() override;
    BufferedWriter(const BufferedWriter&) = delete;
    BufferedWriter& operator=(const BufferedWriter&) = delete;

    std::int64_t read(void* buffer, std::int64_t count) override;
    std::int64_t write(const void* buffer, std::int64_t count) override;
    std::int64_t seek(std::int64_t offset, Origin origin) override;
    std::int64_t size() const override;
    std::int64_t position() const override;
    void truncate() override;
    // Raises "Stream write error" when the stream underneath takes less than it is given.
    void flush();

private:
    ByteStream& target_;
    std::vector<char> pending_;
    std::size_t capacity_;
    std::int64_t targetPosition_;
};

// A stream over bytes held in memory.
class MemoryStream final : public ByteStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::int64_t read(void* buffer, std::int64_t count) override;
    std::int64_t write(const void* buffer, std::int64_t count) override;
    std::int64_t seek(std::int64_t offset, Origin origin) override;
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t position() const override { return position_; }
    void truncate() override;

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

} // namespace palvex
