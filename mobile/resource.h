// Resource ids of the Mobile plug-in: strings, pictures, controls.
#pragma once

#include <QString>

// Strings.
constexpr int IDS_MOBILE = 13000;
constexpr int IDS_SIM_STATUS = 13001;
constexpr int IDS_GPRS_TITLE = 13002;
constexpr int IDS_SMS_TITLE = 13003;
constexpr int IDS_PB_TITLE = 13004;
constexpr int IDS_AT_TITLE = 13005;
constexpr int IDS_CFG_TITLE = 13006;
constexpr int IDS_SMS_INBOX = 13007;
constexpr int IDS_SMS_EDIT = 13008;
constexpr int IDS_SMS_TEMPLATE = 13009;
constexpr int IDS_SMS_HISTORY = 13010;
constexpr int IDS_COL_SENDER = 13013;
constexpr int IDS_COL_MESSAGE = 13014;
constexpr int IDS_COL_DATE = 13015;
constexpr int IDS_ERROR = 13020;
constexpr int IDS_SURE_DELETE = 13021;
constexpr int IDS_SURE_EXPORT = 13022;
constexpr int IDS_CHOOSE_OPTION = 13023;
constexpr int IDS_SURE_EMPTY_SMS = 13026;
constexpr int IDS_SIM_NOT_INSERTED = 13030;
constexpr int IDS_SIM_READY = 13031;
constexpr int IDS_SIM_PIN = 13032;
constexpr int IDS_SIM_PUK = 13033;
constexpr int IDS_SIM_CHECKING = 13034;
constexpr int IDS_PROMPT_INSERT = 13037;
constexpr int IDS_PROMPT_PIN = 13038;
constexpr int IDS_PROMPT_PUK = 13039;
constexpr int IDS_PROMPT_READY = 13040;
constexpr int IDS_NOTE_PIN = 13041;
constexpr int IDS_NOTE_PIN_TRIES = 13042;
constexpr int IDS_NOTE_PUK = 13043;
constexpr int IDS_NOTE_PUK_FAILED = 13044;
constexpr int IDS_AT_CONTINUE = 13045;
constexpr int IDS_SMS_SENT = 13050;
constexpr int IDS_PIN_MISMATCH = 13051;
constexpr int IDS_INPUT_AT = 13053;
constexpr int IDS_TEMPLATE_EMPTY = 13057;
constexpr int IDS_INPUT_PIN = 13058;
constexpr int IDS_INPUT_PUK = 13059;
constexpr int IDS_DESC_SIM = 13070;
constexpr int IDS_DESC_GPRS = 13071;
constexpr int IDS_DESC_SMS = 13072;
constexpr int IDS_DESC_SMS_EDIT = 13073;
constexpr int IDS_DESC_SMS_TEMPLATE = 13074;
constexpr int IDS_DESC_SMS_HISTORY = 13075;
constexpr int IDS_DESC_PB = 13076;
constexpr int IDS_DESC_CFG = 13077;
constexpr int IDS_DESC_AT = 13078;
constexpr int IDS_NO_TEMPLATE = 13081;
constexpr int IDS_PB_EXPORTED = 13083; // the export's success box
// Phone book, GPRS.
constexpr int IDS_PB_COL_NAME = 13011;
constexpr int IDS_PB_COL_NUMBER = 13012;
constexpr int IDS_DELETE_CONFIRM = 13021;
constexpr int IDS_PB_SAVE_FIRST = 13024;
constexpr int IDS_PB_IMPORT_CONFIRM = 13025;
constexpr int IDS_PB_PICK_TEXT = 13046;
constexpr int IDS_PB_IMPORT_TEXT = 13047;
constexpr int IDS_PB_NEED_FILE = 13052;
constexpr int IDS_PB_LOCAL_OPEN_FAILED = 13054;
constexpr int IDS_PB_LOCAL_EXPORT_FAILED = 13055;
constexpr int IDS_PB_EMPTY = 13056;
constexpr int IDS_FIELD_EMPTY = 13060;
constexpr int IDS_PB_LOCAL_EXPORTED = 13082;
constexpr int IDS_PB_REPLACE = 13084;
constexpr int IDS_APN_QUOTE = 13085;

// Pictures.
constexpr int IDB_MOBILE = 12001;
constexpr int IDB_MOBILE_DISABLED = 12002;
constexpr int IDB_MOBILE_CTX = 12003;
constexpr int IDB_MOBILE_CTX_DISABLED = 12004;
constexpr int IDB_NAVIGATION = 12005;
constexpr int IDB_SIM_CHECKING = 12028;
constexpr int IDB_SIM_ABSENT = 12029;
constexpr int IDB_SIM_LOCKED = 12030;
constexpr int IDB_SIM_READY = 12031;

// Controls.
constexpr int IDC_MOBILE_WND = 12500;
constexpr int IDC_NAVIGATION = 12502;
constexpr int IDC_PAGE_SIM = 12503;
constexpr int IDC_SIM_CODE = 12645;
constexpr int IDC_PB_GRID = 12517;
constexpr int IDC_PB_SAVE = 12519;
constexpr int IDC_PB_DELETE = 12520;
constexpr int IDC_PB_EXPORT = 12521;
constexpr int IDC_PB_IMPORT = 12522;
constexpr int IDC_GPRS_GROUP = 12524;
constexpr int IDC_GPRS_CONNECT = 12527;
constexpr int IDC_GPRS_APPLY_NAMES = 12528;
constexpr int IDC_GPRS_BAND = 12530;
constexpr int IDC_GPRS_OPN = 12532;
constexpr int IDC_GPRS_APN = 12534;
constexpr int IDC_GPRS_APPLY_RECONNECT = 12537;
constexpr int IDC_GPRS_START = 12538;
constexpr int IDC_GPRS_STOP = 12539;
constexpr int IDC_GPRS_INTERVAL = 12541;
constexpr int IDC_GPRS_BOOT = 12543;
constexpr int IDC_GPRS_DIAG_GROUP = 12544;
constexpr int IDC_GPRS_DIAG_RESULT = 12545;
constexpr int IDC_GPRS_DIAGNOSE = 12546;
constexpr int IDC_SIM_OK = 12646;
constexpr int IDC_AT_COMMAND = 12511;
constexpr int IDC_AT_SEND = 12512;
constexpr int IDC_AT_REPLY = 12514;
constexpr int IDC_AT_CLEAR = 12515;
constexpr int IDC_SMS_TABS = 12550;
constexpr int IDC_SMS_INBOX = 12551;
constexpr int IDC_SMS_EDIT_PAGE = 12552;
constexpr int IDC_SMS_TEMPLATE_PAGE = 12553;
constexpr int IDC_SMS_HISTORY_PAGE = 12554;
constexpr int IDC_INBOX_GRID = 12561;
constexpr int IDC_INBOX_REFRESH = 12562;
constexpr int IDC_INBOX_DELETE = 12563;
constexpr int IDC_INBOX_EXPORT = 12564;
constexpr int IDC_EDIT_NUMBER = 12572;
constexpr int IDC_EDIT_PHONEBOOK = 12573;
constexpr int IDC_EDIT_COUNTER = 12575;
constexpr int IDC_EDIT_MESSAGE = 12576;
constexpr int IDC_EDIT_TEMPLATE = 12577;
constexpr int IDC_EDIT_SEND = 12578;
constexpr int IDC_TMPL_ADD = 12582;
constexpr int IDC_TMPL_DELETE = 12583;
constexpr int IDC_HISTORY_DELETE = 12592;
constexpr int IDC_TMPL_TEXT = 12109;
constexpr int IDC_AT_CONT_TEXT = 12145;
constexpr int IDC_CFG_LOCK = 12604;
constexpr int IDC_CFG_CHANGE_PIN = 12605;
constexpr int IDC_CFG_STORAGE = 12610; // the storage part: 12610 to 12623
constexpr int IDC_CFG_SMS_LABEL = 12611;
constexpr int IDC_CFG_SMS_SIM = 12612;
constexpr int IDC_CFG_SMS_DEVICE = 12613;
constexpr int IDC_CFG_SMS_APPLY = 12616;
constexpr int IDC_CFG_PB_LABEL = 12618;
constexpr int IDC_CFG_PB_SIM = 12619;
constexpr int IDC_CFG_PB_DEVICE = 12620;
constexpr int IDC_CFG_PB_APPLY = 12623;

// Pages: the navigation item's data.
enum MobilePage : quint16 {
    PAGE_GPRS = 0,
    PAGE_SMS = 1,
    PAGE_PHONEBOOK = 2,
    PAGE_CONFIG = 3,
    PAGE_ATCOMMAND = 4,
    PAGE_SIM = 5,
};

QString MobileString(int id);
