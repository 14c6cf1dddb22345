// Ids of the file manager library: controls, commands, strings and pictures.
#pragma once

// Controls.
constexpr int IDC_FM_OUTER = 10500;
constexpr int IDC_FM_INNER = 10501;
constexpr int IDC_FM_LOCAL = 10502;
constexpr int IDC_FM_REMOTE = 10505;
constexpr int IDC_FM_QUEUE = 10508;
constexpr int IDC_CM_DESCRIPTION = 10160;
constexpr int IDC_CM_NUMERIC = 10174;
constexpr int IDC_IB_PROMPT = 10180;
constexpr int IDC_IB_VALUE = 10181;
constexpr int IDC_FD_REMOTEDIR = 10100;
constexpr int IDC_FD_REMOTELABEL = 10101;

// Commands of the context menus.
constexpr int ID_FM_UPLOAD = 39000;
constexpr int ID_FM_DOWNLOAD = 39002;
constexpr int ID_FM_RUN = 39003;
constexpr int ID_FM_DELETE = 39004;
constexpr int ID_FM_RENAME = 39005;
constexpr int ID_FM_CHMOD = 39006;
constexpr int ID_FM_REFRESH = 39011;
constexpr int ID_FM_ADDFOLDER = 39012;
constexpr int ID_FM_REMOVETASK = 39021;

// Pictures: queue states (waiting, to the gateway, file, firmware) and list icons.
constexpr int IDI_STATE_WAITING = 10010;
constexpr int IDI_STATE_GATEWAY = 10014;
constexpr int IDI_STATE_FILE = 10011;
constexpr int IDI_STATE_FIRMWARE = 10013;
constexpr int IDI_FOLDER = 10020;
constexpr int IDI_FILE = 10021;
constexpr int IDI_DRIVE = 10022;
constexpr int IDI_PROGRAM = 10023;
constexpr int IDI_UP = 10024;

// Strings.
constexpr int IDS_INVALID_NAME = 11051;
constexpr int IDS_FILE_IN_USE = 11102;

// Upload and firmware upgrade dialogs.
constexpr int IDD_UPLOAD = 10001;
constexpr int IDD_UPGRADE = 10002;
constexpr int IDC_UP_FILELIST = 10122;
constexpr int IDC_UP_ADD = 10123;
constexpr int IDC_UP_DELETE = 10124;
constexpr int IDC_UP_SELECTED = 10127;
constexpr int IDC_UP_TO_OTHERS = 10128;
constexpr int IDC_UP_TO_SELECTED = 10129;
constexpr int IDC_UP_OTHERS = 10131;
constexpr int IDC_UG_FILELABEL = 10142;
constexpr int IDC_UG_FILE = 10143;
constexpr int IDC_UG_BROWSE = 10144;
constexpr int IDC_UG_SELECTED = 10147;
constexpr int IDC_UG_TO_OTHERS = 10148;
constexpr int IDC_UG_TO_SELECTED = 10149;
constexpr int IDC_UG_OTHERS = 10151;
