// The plug-in's own string table. It is not entered into the console's registry: the table would
// dangle once the console frees the library.
#include <QString>

#include "resource.h"

namespace {
struct Entry
{
    int id;
    const char16_t* text;
};

const Entry kStrings[] = {
    {IDS_MOBILE, u"Mobile"},
    {IDS_SIM_STATUS, u"SIM Status"},
    {IDS_GPRS_TITLE, u"GPRS Connection"},
    {IDS_SMS_TITLE, u"SMS"},
    {IDS_PB_TITLE, u"Phone Book"},
    {IDS_AT_TITLE, u"AT Command"},
    {IDS_CFG_TITLE, u"Configuration"},
    {IDS_SMS_INBOX, u"SMS_Inbox"},
    {IDS_SMS_EDIT, u"SMS_Edit"},
    {IDS_SMS_TEMPLATE, u"SMS_Template"},
    {IDS_SMS_HISTORY, u"SMS_History"},
    {IDS_COL_SENDER, u"Sender\n150"},
    {IDS_COL_MESSAGE, u"Message\n250"},
    {IDS_COL_DATE, u"Date/Time\n150"},
    {IDS_ERROR, u"Error"},
    {IDS_SURE_DELETE, u"Are you sure you want to delete?"},
    {IDS_SURE_EXPORT,
     u"Are you sure you want to export chosen SMS?\nThe selected SMS will be transferred to SMS "
     u"History list."},
    {IDS_SURE_EMPTY_SMS, u"Are you sure you want to sent an empty SMS?"},
    {IDS_AT_CONTINUE,
     u"The modem waits for the text of <at_cmd>.\nType it and press OK or Ctrl-Z to send it; "
     u"Cancel or Esc stops the command."},
    {IDS_INPUT_AT, u"Please input the AT command."},
    {IDS_TEMPLATE_EMPTY, u"The template is empty."},
    {IDS_NO_TEMPLATE, u"There is no template!"},
    {IDS_DESC_SMS_EDIT, u"Write a message and send it through the device's modem."},
    {IDS_DESC_SMS_TEMPLATE, u"Texts kept on the device for messages written often."},
    {IDS_DESC_SMS_HISTORY, u"Messages moved from the inbox, kept by the device."},
    {IDS_CHOOSE_OPTION, u"Choose at least one option and try again."},
    {IDS_SIM_NOT_INSERTED, u"The SIM card is not inserted."},
    {IDS_SIM_READY, u"The SIM card is ready to use."},
    {IDS_SIM_PIN, u"The SIM card is locked by PIN code."},
    {IDS_SIM_PUK, u"The SIM card is locked by PUK code."},
    {IDS_SIM_CHECKING, u"Check SIM card status, please wait a few seconds..."},
    {IDS_PROMPT_INSERT, u"Please insert the SIM card and try again.\nWhile the SIM card isn't ready only AT "
                        u"command function is available."},
    {IDS_PROMPT_PIN, u"Please input the PIN code:"},
    {IDS_PROMPT_PUK, u"Please input the PUK code:"},
    {IDS_PROMPT_READY, u"Mobile functions are activated now."},
    {IDS_NOTE_PIN,
     u"Note: Please make sure the PIN code is correct otherwise the SIM card may be locked by the PUK code."},
    {IDS_NOTE_PIN_TRIES,
     u"Note: You still have %d times to try, please make sure the PIN code is correct or the "
     u"SIM card will be locked by the PUK code."},
    {IDS_NOTE_PUK, u"Note: Please make sure the PUK code is correct otherwise the SIM card may be locked."},
    {IDS_NOTE_PUK_FAILED,
     u"Note: Please make sure the PUK code is correct otherwise the SIM card may be locked."},
    {IDS_SMS_SENT, u"SMS sent successfully."},
    {IDS_PIN_MISMATCH, u"The new PIN codes do not match, please try again."},
    {IDS_INPUT_PIN, u"Please input the PIN code."},
    {IDS_INPUT_PUK, u"Please input the PUK code."},
    {IDS_DESC_SIM, u" "},
    {IDS_DESC_GPRS, u"Connect the device to the packet data network and watch the connection."},
    {IDS_DESC_SMS, u"Messages received by the device's modem."},
    {IDS_DESC_PB, u"The contacts stored in the SIM card or in the device."},
    {IDS_DESC_CFG, u"Configurate the PIN lock and storage options."},
    {IDS_DESC_AT, u" "},
    {IDS_PB_EXPORTED, u"Exporting phone book to device is successful."},
    // Phone book, GPRS.
    {IDS_PB_COL_NAME, u"Name\n150"},
    {IDS_PB_COL_NUMBER, u"Phone Number\n200"},
    {IDS_DELETE_CONFIRM, u"Are you sure you want to delete?"},
    {IDS_PB_SAVE_FIRST, u"Do you want to save the modified data?"},
    {IDS_PB_IMPORT_CONFIRM, u"Are you sure you want to import this phone book?"},
    {IDS_PB_PICK_TEXT, u"Double-click the phone number to choose the contact."},
    {IDS_PB_IMPORT_TEXT, u"Phone book file is ready to import."},
    {IDS_PB_NEED_FILE, u"Please input the filename and directory."},
    {IDS_PB_LOCAL_OPEN_FAILED, u"Cannot open the phone book from local PC."},
    {IDS_PB_LOCAL_EXPORT_FAILED, u"Cannot export the phone book to local PC."},
    {IDS_PB_EMPTY, u"The phone book is empty."},
    {IDS_FIELD_EMPTY, u"The %1 cannot be empty."},
    {IDS_PB_LOCAL_EXPORTED, u"Exporting phone book to local PC is successful."},
    {IDS_PB_REPLACE, u"The file already exists. Do you want to replace it?"},
    {IDS_APN_QUOTE, u"The user name and the password cannot contain a double quote."},
};
} // namespace

QString MobileString(int id)
{
    for (const Entry& e : kStrings)
        if (e.id == id) return QString::fromUtf16(e.text);
    return QString();
}
