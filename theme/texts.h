#pragma once

#include <QString>

// Every text the editor shows, in one place.
namespace palvex::theme::texts {

inline const QString kApplicationTitle = QStringLiteral("Palvex Image Changer Tool");

inline const QString kRetrieving = QStringLiteral("Retrieving ");
inline const QString kDetails = QStringLiteral(" details...");
inline const QString kLoadImageError = QStringLiteral("Load Image Error : ");
inline const QString kReplacedImage = QStringLiteral("Replaced image ");
inline const QString kErrorReplacing = QStringLiteral("Error replacing image ");
inline const QString kUndoNotKept = QStringLiteral("No copy kept to take this change back : ");
inline const QString kRestoredImage = QStringLiteral("Restored image ");
inline const QString kRemovedImage = QStringLiteral("Removed image ");
inline const QString kNothingToUndo = QStringLiteral("Nothing to undo: no change is kept.");
inline const QString kNameMustBeSame = QStringLiteral("File name must be same !");
inline const QString kMaxSizeFor = QStringLiteral("Error, max size for ");
inline const QString kMaxDimensionFor = QStringLiteral("Error, max dimension for ");
inline const QString kRefusedPicture =
    QStringLiteral("Refused picture %1 : %2; %3 takes at most %4");
inline const QString kUnpacking = QStringLiteral("Unpacking img.bz2...");
inline const QString kUnpackError = QStringLiteral("Error unpacking the img.bz2.");
inline const QString kUnpackedFiles = QStringLiteral("Unpacked Files :");
inline const QString kArchiveTooLarge = QStringLiteral("The archive unpacks to more than %1 bytes");
inline const QString kDiskFull = QStringLiteral("Disk full : ");
inline const QString kWarning = QStringLiteral("Warning : %1 (%2)");
inline const QString kTemporaryFolderFault = QStringLiteral("Cannot use the temporary folder %1");
inline const QString kTemporaryWriteFault =
    QStringLiteral("Cannot write the temporary file %1: %2");
inline const QString kSelectOutput = QStringLiteral("Please select an output file !");
inline const QString kCompiling = QStringLiteral("Compiling img.bz2...");
inline const QString kProcessDone = QStringLiteral("Process Done!");
inline const QString kCompileError = QStringLiteral("Compile img.bz2 error : ");
inline const QString kArchiveOfOtherModel =
    QStringLiteral("Warning : the archive holds no slot file of %1, but %2 of %3.");
inline const QString kWorkspaceOfOtherModel =
    QStringLiteral("The workspace holds no slot file of %1, but %2 of %3.");
inline const QString kFindingOfSlot = QStringLiteral("%1 (%2): %3, %4");
inline const QString kFindingOfExtraFile = QStringLiteral("%1: the file of no slot");
inline const QString kFindingsMore = QStringLiteral("... and %1 more");
inline const QString kCompileFindings = QStringLiteral("The workspace is not a sound %1 theme:");
inline const QString kCompileAnyway = QStringLiteral("Compile anyway?");
inline const QString kNotCompiledStrict =
    QStringLiteral("Not compiled: %1 finding(s) above, and --strict makes them errors.");
inline const QString kOutputIsOpenedArchive =
    QStringLiteral("The output %1 is the archive that was opened. Replace it with the compiled "
                   "theme?");
inline const QString kDiscardChanges =
    QStringLiteral("The workspace has changes that are not compiled into a theme. Discard them?");
inline const QString kSaveTitle = QStringLiteral("Save");
inline const QString kUnpackCancelledEarly =
    QStringLiteral("Unpack cancelled: no file was written.");
inline const QString kUnpackCancelled = QStringLiteral("Unpack cancelled: %1 written (%2).");
inline const QString kCompileCancelled =
    QStringLiteral("Compile img.bz2 cancelled: no output file was written.");
inline const QString kClosingWhenWorkEnds =
    QStringLiteral("The window closes when the work in progress ends...");
inline const QString kWorkspaceInUse =
    QStringLiteral("The workspace is in use by another program (process %1).");
inline const QString kLockPathBlocked =
    QStringLiteral("The workspace's lock %1 is %2, not a lock file, and no program can take the "
                   "workspace while it stands there: remove it and try again.");
inline const QString kRemovalEmptyPath =
    QStringLiteral("Not removing anything: the workspace path is empty.");
inline const QString kRemovalLink =
    QStringLiteral("Not removing %1: it is a symbolic link; give the workspace folder itself.");
inline const QString kRemovalNotFolder = QStringLiteral("Not removing %1: it is not a folder.");
inline const QString kRemovalRoot = QStringLiteral("Not removing %1: it is the root folder.");
inline const QString kRemovalHome =
    QStringLiteral("Not removing %1: it is the home folder or holds it.");
inline const QString kRemovalCurrent =
    QStringLiteral("Not removing %1: it holds the current folder; clean from outside it.");
inline const QString kRemovalNoWorkspace =
    QStringLiteral("Not removing %1: it holds no slot file of either model and no lock of this "
                   "program, so it is no workspace.");
inline const QString kRemovalIncomplete =
    QStringLiteral("Could not remove everything in %1: %2 is left (%3).");
inline const QString kOutputInWorkspace = QStringLiteral(
    "The output file lies inside the workspace %1 (or is its lock file), which only a pipeline "
    "holding the workspace writes: choose an output file outside it.");
inline const QString kOutputNotRegularFile = QStringLiteral(
    "The output %1 is %2, not a regular file, and is left as it is: choose another output file.");
inline const QString kOutputIsInput =
    QStringLiteral("The output %1 is the input file, and is left as it is: choose another "
                   "output file.");
inline const QString kAFolder = QStringLiteral("a folder");
inline const QString kAFifo = QStringLiteral("a FIFO");
inline const QString kASocket = QStringLiteral("a socket");
inline const QString kADevice = QStringLiteral("a device");
inline const QString kOutputSuffix = QStringLiteral("The output %1 must end in %2.");

// What fit --folder says of a file of the folder it does not fit.
inline const QString kFolderEntrySkipped = QStringLiteral("%1 : skipped, %2");
inline const QString kSkippedSpecial = QStringLiteral("%1, which could block or never end");
inline const QString kSkippedLinkOut = QStringLiteral("a link out of the folder, not followed");
inline const QString kSkippedUnreadable = QStringLiteral("it cannot be read");
inline const QString kSeveralForOneSlot =
    QStringLiteral("%1 all match %2 : none of them fitted; keep one");
inline const QString kFolderFitted =
    QStringLiteral("Fitted %1, failed %2, matched no slot %3, skipped %4, several for one slot %5");

// Why a drop on the editor window is refused, in one log line.
inline const QString kDropRefused = QStringLiteral("Drop refused: %1");
inline const QString kDropOneFile = QStringLiteral("drop one file at a time");
inline const QString kDropNotLocal = QStringLiteral("%1 is not a local file");
inline const QString kDropNotAFile = QStringLiteral("%1 is no file (a folder, or gone)");
inline const QString kDropOnPreview = QStringLiteral("%1: drop pictures on the preview");
inline const QString kDropUnknownKind =
    QStringLiteral("%1 is neither a theme archive (%2) nor a picture the slots take (%3); "
                   "with Shift held, any picture is fitted to the slot");
inline const QString kDropWhileWorking =
    QStringLiteral("wait until the work in progress has ended");

// What the editor's buttons do, for their tooltips (with their keys) and accessible names.
inline const QString kOpenArchiveAction = QStringLiteral("Open a theme archive");
inline const QString kChooseOutputAction = QStringLiteral("Choose the output file");
inline const QString kChangeAction = QStringLiteral("Change the selected slot's picture");
inline const QString kCompileAction = QStringLiteral("Compile the workspace into the output file");
inline const QString kOverviewAction = QStringLiteral("Every slot at once");
inline const QString kActionWithKeys = QStringLiteral("%1 (%2)");

inline const QString kCompareWithAnotherTheme = QStringLiteral("Compare with another theme\u2026");

// Why a picture is not decoded: its data is cut short or damaged, or decoding it would take more
// memory than the readers allow.
inline const QString kPrematureEnd = QStringLiteral("Premature end of %1 file");
inline const QString kCorruptData = QStringLiteral("Corrupt %1 data: %2");
inline const QString kNoStartOfImage = QStringLiteral("no start of image");
inline const QString kBadSegmentLength = QStringLiteral("a segment's length is wrong");
inline const QString kTooManyScans = QStringLiteral("%1 scans, more than the %2 allowed");
inline const QString kUnknownBlock = QStringLiteral("unknown block 0x%1");
inline const QString kNoDeclaredSize = QStringLiteral("The picture's header gives no size: %1");
inline const QString kOverDecodeBudget =
    QStringLiteral("The picture is too large to decode: %1 takes %2 MB, more than the %3 MB the "
                   "readers allow");
inline const QString kNoReadPermission =
    QStringLiteral("Permission denied: this user may not read the picture");
// A command-line argument that is not UTF-8 cannot name its file through Qt: refused, not read
// as another name.
inline const QString kArgumentNotUtf8 =
    QStringLiteral("An argument is not valid UTF-8: %1 (rename the file, or give another name)");

} // namespace palvex::theme::texts

// File dialog settings, in the "description|patterns|..." form the filters were drawn up in.
namespace palvex::theme::dialogs {

inline const QString kArchiveDefaultName = QStringLiteral("img.bz2");
inline const QString kArchiveFilter = QStringLiteral("(*.bz2)|*.bz2");
inline const QString kPictureFilter = QStringLiteral(
    "All (*.gif;*.jpg;*.jpeg)|*.gif;*.jpg;*.jpeg;|CompuServe GIF Image (*.gif)|*.gif|"
    "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
// Added to the picture dialog for the slots whose file is a bitmap.
inline const QString kBitmapFilter = QStringLiteral("Windows Bitmap (*.bmp)|*.bmp");

} // namespace palvex::theme::dialogs
