// Resource ids of the console: commands, menus, tool bars, strings, pictures, pages and controls.
#pragma once

// Menus and tool bars.
constexpr int IDR_MAINFRAME = 20000;
constexpr int IDR_AGENT_MENU = 20001;
constexpr int IDR_SECOND_TOOLBAR = 20002;
constexpr int IDR_MAIN_TOOLBAR = 20004;
constexpr int IDR_GATEWAY_MENU = 20011;
constexpr int IDR_GRID_MENU = 20012;
constexpr int IDR_PROCESS_MENU = 20013;
constexpr int IDD_ABOUTBOX = 20017;

// Pictures.
constexpr int IDI_GATEWAY_ON = 20019;
constexpr int IDI_GATEWAY_OFF = 20020;
constexpr int IDI_BLANK = 20021;
constexpr int IDB_LOGO = 20023;
constexpr int IDI_AGENT = 20039;
constexpr int IDI_AGENT_TRANSFER = 20040;
constexpr int IDB_DEVICE = 20043;
constexpr int IDI_AGENT_UPGRADE = 20044;

// Commands of the document.
constexpr int ID_GATEWAY_MANAGER = 32770;
constexpr int ID_PROPERTIES = 32771;
constexpr int ID_VIEW_TOOLBAR = 32772;
constexpr int ID_VIEW_STATUS_BAR = 32773;
constexpr int ID_ONLINE_GUIDE = 32774;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_APP_ABOUT = 57664;

// Agent commands on the context target.
constexpr int ID_CTX_CONNECT = 32780;
constexpr int ID_CTX_DISCONNECT = 32781;
constexpr int ID_CTX_UPLOAD = 32782;
constexpr int ID_CTX_UPGRADE = 32783;
constexpr int ID_CTX_FILEMGR = 32784;
constexpr int ID_CTX_PROCESS = 32785;
constexpr int ID_CTX_SERVICE = 32786;
constexpr int ID_CTX_NETWORK = 32787;
constexpr int ID_CTX_AUTOLAUNCH = 32788;
constexpr int ID_CTX_DATETIME = 32789;
constexpr int ID_CTX_REBOOT = 32790;
constexpr int ID_CTX_STOP_PROCESS = 32791;
constexpr int ID_CTX_PROCESS_SEL = 32792;
constexpr int ID_CTX_START_SERVICE = 32793;
constexpr int ID_CTX_STOP_SERVICE = 32794;

// Agent commands on the selection.
constexpr int ID_CONNECT = 32800;
constexpr int ID_DISCONNECT = 32801;
constexpr int ID_UPLOAD = 32802;
constexpr int ID_UPGRADE = 32803;
constexpr int ID_FILEMGR = 32804;
constexpr int ID_TRANSFER_LIST = 32805;
constexpr int ID_PROCESS = 32806;
constexpr int ID_SERVICE = 32807;
constexpr int ID_NETWORK = 32808;
constexpr int ID_DATETIME = 32809;
constexpr int ID_AUTOLAUNCH = 32810;
constexpr int ID_STOP_PROCESS = 32820;
constexpr int ID_PROCESS_PAGE = 32821;
constexpr int ID_START_SERVICE = 32822;
constexpr int ID_STOP_SERVICE = 32823;

// Strings.
constexpr int IDP_OLE_INIT_FAILED = 100;
constexpr int IDS_REBOOT = 22001;
constexpr int IDS_REBOOT_ASK = 22002;
constexpr int IDS_DISCONNECTION_ALERT = 22003;
constexpr int IDS_DEVICE_DISCONNECTED = 22004;
constexpr int IDS_UPLOAD_FILES = 22005;
constexpr int IDS_INVALID_REMOTE_DIR = 22008;
constexpr int IDS_FILE_DOWNLOAD = 22010;
constexpr int IDS_FIRMWARE_BUSY = 22021;
constexpr int IDS_FIRMWARE_RESTART = 22022;
constexpr int IDS_LEAVE_SENDING = 22031;
constexpr int IDS_LEAVE_PENDING = 22032;
constexpr int IDS_DISCONNECT_SENDING = 22033;
constexpr int IDS_DISCONNECT_PENDING = 22034;
constexpr int IDS_REBOOT_PENDING = 22035;
constexpr int IDS_ERROR = 22040;
constexpr int IDS_DISCONNECT_CAPTION = 22042;
constexpr int IDS_ALERT = 22043;
constexpr int IDS_FILE_IN_USE = 11102;

// Pages of the info view.
constexpr int PAGE_NONE = 0;
constexpr int PAGE_DEVLIST = 1;
constexpr int PAGE_PROCESS = 2;
constexpr int PAGE_SERVICE = 3;
constexpr int PAGE_DEVICE = 4;
constexpr int PAGE_FILEMGR = 5;
constexpr int PAGE_TRANSFER = 6;

// Controls.
constexpr int IDC_CONTROL_WND = 21001;
constexpr int IDC_AGENT_TREE = 21002;
constexpr int IDC_DEVLIST = 21003;
constexpr int IDC_SERVICE = 21004;
constexpr int IDC_PROCESS = 21005;
constexpr int IDC_FILEMGR = 21006;
constexpr int IDC_TRANSFER = 21007;
constexpr int IDC_DEVICE = 21008;

// Tree node bits.
constexpr unsigned NODE_CONNECTED = 0x02;
constexpr unsigned NODE_BUSY = 0x04;
constexpr unsigned NODE_GATEWAY = 0x08;
constexpr unsigned NODE_AGENT = 0x10;

// State images of the tree.
constexpr int IMG_GATEWAY_OFF = 1;
constexpr int IMG_GATEWAY_ON = 2;
constexpr int IMG_AGENT = 3;
constexpr int IMG_AGENT_TRANSFER = 4;
constexpr int IMG_AGENT_UPGRADE = 5;

constexpr const char* kDefaultPort = "54321";
