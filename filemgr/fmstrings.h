// Texts of the file manager.
#pragma once

#include <QString>

namespace fmtext {
inline QString s(const char16_t* t)
{
    return QString::fromUtf16(t);
}
inline const char16_t* kLocalCaption = u"Local: ";
inline const char16_t* kRemoteCaption = u"Remote: ";
inline const char16_t* kFileDownload = u"File Download";
inline const char16_t* kFileUpload = u"File Upload";
inline const char16_t* kOverwrite = u"The target file already exists. Are you sure you want to overwrite it?";
inline const char16_t* kSimultaneous = u"Simultaneous upload/download is prohibited.";
inline const char16_t* kRename = u"Rename";
inline const char16_t* kDelete = u"Delete";
inline const char16_t* kDeleteConfirm =
    u"Are you sure you want to delete the selected files and/or directories?";
inline const char16_t* kAddFolder = u"Add Folder";
inline const char16_t* kAddFolderPrompt = u"Please enter the name of the folder which should be created:";
inline const char16_t* kNewFolder = u"New Folder";
inline const char16_t* kRun = u"Run";
inline const char16_t* kRunPrompt = u"Please enter the argument:";
inline const char16_t* kRunConfirm = u"Are you sure you want to execute this file ";
inline const char16_t* kChangeMode = u"Change Mode";
// Upload and firmware upgrade dialogs.
inline const char16_t* kUploadIntro =
    u"Upload multiple files by adding files out of the upload dialog to the appointed devices.";
inline const char16_t* kFileList = u"File List:";
inline const char16_t* kColFile = u"File";
inline const char16_t* kColRemoteDir = u"Remote Directory";
inline const char16_t* kColPath = u"Path";
inline const char16_t* kRemoteBlank = u"Remote directory is blank!";
inline const char16_t* kDeleteRows = u"Are you sure you want to delete?";
inline const char16_t* kUploadConfirm = u"Upload the file(s)?";
inline const char16_t* kFirmwareUpgrade = u"Firmware Upgrade";
inline const char16_t* kUpgradeIntro =
    u"Upgrade the firmware by adding the file out of the firmware upgrade dialog to the appointed devices.";
inline const char16_t* kFirmwareFile = u"Firmware File:";
inline const char16_t* kUpgradeConfirm = u"Upgrade the firmware?";
inline const char16_t* kDeviceList = u"Device(s) List";
inline const char16_t* kSelectedDevices = u"Selected device(s):";
inline const char16_t* kOtherDevices = u"Non-selected device(s):";
inline const char16_t* kFirmwareUnreadable = u"The firmware file cannot be read:";
// Refusals that the wire or the disk force on us.
inline const char16_t* kQuote =
    u"A name, path or argument that contains a double quote (\") cannot be sent to "
    u"the device.";
inline const char16_t* kTooLong = u"The path is too long to be sent to the device.";
inline const char16_t* kTargetIsFolder = u"The target is a folder. A download cannot replace a folder.";
inline const char16_t* kStillListing =
    u"The remote folder is still being listed. Please try again when its list "
    u"is complete.";
inline const char16_t* kRemoteFolderExists =
    u"The remote directory holds a folder of that name. A file cannot "
    u"replace a folder.";
inline const char16_t* kBadMode = u"The mode must be three digits, each from 0 to 7.";
inline const char16_t* kNotTrashed = u"These items could not be moved to the trash and were left in place:";
inline const char16_t* kNoLocalRun = u"Programs are not started from the file manager.";
} // namespace fmtext
