#pragma once

#include <cstdint>
#include <initializer_list>

// The archive components' enumerations; values keep their order, first value 0.
namespace palvex::archive {

enum TArcType {
    atNA,
    atUnsupported,
    atFileOpenErr,
    atUnknown,
    atAce,
    atAceExe,
    atArc,
    atArcExe,
    atArj,
    atArjExe,
    atBh,
    atBhExe,
    atCab,
    atCabExe,
    atGZip,
    atHA,
    atJar,
    atJarExe,
    atLha,
    atLhaExe,
    atLzh,
    atLzhExe,
    atMsGZ,
    atPak,
    atPakExe,
    atRar,
    atRarExe,
    atTar,
    atTarGZip,
    atUUE,
    atZip,
    atZipExe,
    atZipDS,
    atZipMV,
    atZoo
};

enum TCompressMethod {
    cmStore,
    cmDeflate,
    cmFuse,
    cmFrozen5,
    cmFrozen6,
    cmMsZip,
    cmLzx,
    cmQuantum,
    cmUUEncode,
    cmXXEncode,
    cmBase64,
    cmTarred,
    cmTarGzip
};

enum TCompressionMethod { cmInMemory, cmTempFile };
enum TDateAttribute { daFileDate, daSysDate, daMaxFileDate };
enum TSwitch { swAdd, swRefresh, swMove, swDelete, swRead };
enum TStoredDirNames {
    sdNone,
    sdAbsolute,
    sdAbsoluteNoDrv,
    sdAbsoluteNoRoot,
    sdRelative,
    sdRelativeStoreStart,
    sdExplorer_Auto,
    sdExplorer_UserDefineDefaultDir
};
enum TOverwriteMode { omOverwrite, omSkip };
enum TDeleteOptions { doFinal, doAllowUndo };
enum TCpuType { cptAuto, cpt80286, cpt80386, cpt80486 };

enum TarqFileAttribute {
    fsZeroAttr,
    fsReadOnly,
    fsHidden,
    fsSysFile,
    fsVolumeID,
    fsDirectory,
    fsArchive,
    fsCompressed,
    fsEncrypted
};

// A set of TarqFileAttribute: bit n stands for element n.
using TarqFileAttributes = std::uint16_t;

constexpr TarqFileAttributes attributeSet(std::initializer_list<TarqFileAttribute> elements) {
    TarqFileAttributes set = 0;
    for (TarqFileAttribute element : elements)
        set |= TarqFileAttributes(1u << element);
    return set;
}

inline constexpr TarqFileAttributes kDefaultAttributes =
    attributeSet({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted});
static_assert(kDefaultAttributes == 0x01C3);

inline bool hasBit(std::uint32_t word, std::uint32_t bit) {
    return (word & bit) != 0;
}

} // namespace palvex::archive
