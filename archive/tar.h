#pragma once

#include "archive/custom_c_class.h"

namespace palvex::archive {

// Writes tar archives: a header per entry, file data padded to 512 bytes, two zero blocks,
// and the whole archive padded with zeros to a multiple of 10 240 bytes.
class TTar : public TCompBase {
public:
    TTar();

    // Always atTar; an ArchiveFile without an extension gets DefaultExt.
    void setArcType(TArcType value) override;

protected:
    std::string classDefaultExt() const override { return ".TAR"; }
    bool acceptsMethod(TCompressMethod method) const override {
        return method == cmTarred || method == cmTarGzip;
    }
    void readArchiveEntries(ByteStream& archive) override;
    bool writeNewEntry(Entry& entry, ByteStream& output) override;
    void copyCarriedEntry(const Entry& entry, ByteStream& old, ByteStream& output) override;
    void endArchive(ByteStream& output) override;
    void finishGzip() override;

private:
    bool nameEntry(Entry& entry, std::string& stored);
    void warnOfMovedDate(const Entry& entry, std::uint32_t packedDate);
    std::unique_ptr<FileStream> openSource(const Entry& entry);
    void writeEntryHeader(const std::string& stored, bool folder, std::int64_t size,
                          std::uint32_t packedDate, ByteStream& output);
    bool copyData(Entry& entry, FileStream& source, std::int64_t size, ByteStream& output);
    void copyBytes(ByteStream& from, ByteStream& to, std::int64_t count);
    void writeBlock(ByteStream& output, const void* data, std::int64_t count);

    TarHeader header_{};
};

} // namespace palvex::archive
