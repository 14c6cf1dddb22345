// The console's string table.
#include "resource.h"

#include <resources.h>

namespace {
const ResString kConsoleStrings[] = {
    {IDP_OLE_INIT_FAILED,
     u"OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {IDS_REBOOT, u"Reboot"},
    {IDS_REBOOT_ASK, u"Are you sure you want to reboot? \nThe process will take you 10 seconds, are you sure "
                     u"you want to continue?"},
    {IDS_DISCONNECTION_ALERT, u"Disconnection Alert"},
    {IDS_DEVICE_DISCONNECTED,
     u"The device is disconnected.\nYou can continue the work after the device reconnected."},
    {IDS_UPLOAD_FILES, u"Upload Files"},
    {IDS_INVALID_REMOTE_DIR, u"Invalid remote directory.\nPlease specify the drive (ex: C:\\)."},
    {IDS_FILE_DOWNLOAD, u"File Download"},
    {IDS_FIRMWARE_BUSY, u"One firmware file is upgrading right now. \nYou have to wait until it's finished "
                        u"for next firmware upgrading."},
    {IDS_FIRMWARE_RESTART,
     u"One firmware file is upgrading right now. \nYou have to wait until it restarts the device."},
    {IDS_LEAVE_SENDING,
     u"Gateway is still transferring the file(s), \nare you sure you want to leave the window?"},
    {IDS_LEAVE_PENDING, u"Transferring is not completed, \nare you sure you want to leave the window?"},
    {IDS_DISCONNECT_SENDING,
     u"Gateway is still transferring the file(s), \nare you sure you want to disconnect?"},
    {IDS_DISCONNECT_PENDING, u"Transferring is not completed, \nare you sure you want to disconnect?"},
    {IDS_REBOOT_PENDING, u"Transferring is not completed, \nare you sure you want to reboot?"},
    {IDS_ERROR, u"Error"},
    {IDS_DISCONNECT_CAPTION, u"Disconnection Alert"},
    {IDS_ALERT, u"Alert"},
    {IDS_FILE_IN_USE, u"This file is used by other program now. Please try again later."},
};
} // namespace

// Called once by the application; a static initialiser in a static library could be dropped by the linker.
void RegisterConsoleStrings()
{
    RegisterStrings(kConsoleStrings, int(sizeof(kConsoleStrings) / sizeof(kConsoleStrings[0])));
}
