#pragma once

// Command ids of the main window: menus, accelerators, the scene panel's
// picture buttons and the commands other windows send it.

enum CommandId : int {
    // Files
    ID_FILE_NEW_PROJECT = 32771,
    ID_FILE_OPEN = 32772,
    ID_FILE_SAVE = 32773,
    ID_FILE_SAVE_AS = 32774,
    ID_APP_EXIT = 32776,
    ID_FILE_MRU_FIRST = 520, // recent files 520..527
    ID_FILE_MRU_LAST = 527,
    // Edit
    ID_EDIT_UNDO = 32778,
    ID_EDIT_LINK = 32779,
    ID_UNIT_NAMING = 32780,
    ID_CHANNEL_NAMING = 528,
    ID_PREFERENCES = 32788,
    // Setup
    ID_IP_ADDRESS = 32786,
    ID_UNIT_IDENTITY_CHECK = 32816,
    ID_SYSTEM_STATUS = 32815,
    ID_SOFT_RESET = 44181,
    ID_RESTART_PROGRAM = 44182,
    ID_SNAKE_LEDS = 44180,
    // Help
    ID_QUICK_REFERENCE = 32792,
    ID_USER_GUIDE = 32793,
    ID_ABOUT = 32794,

    // Scene panel picture buttons
    IDC_NEW_SCENE = 18009,
    IDC_RECALL_SCENE = 18010,
    IDC_LOCK_SCENES = 18011,
    IDC_DELETE_SCENE = 18012,
    IDC_OVERVIEW_BUTTON = 18013,
    IDC_UNIT_ASSIGNMENT = 18014,

    // Commands other windows send
    ID_STRIP_COMMAND = 210,
    ID_GAIN_CHANGE = 511,
    ID_LINK_MENU_TITLE = 100,
    ID_LINK_GROUP_NONE = 499,
    ID_LINK_OFF = 500,
    ID_LINK_GROUP_1 = 501, // 501..510 for groups 1..10
    ID_LINK_GROUP_10 = 510,
    ID_UNIT_PACKET_KR960 = 2099,
    ID_UNIT_PACKET_KR960_8 = 1099,
    ID_UNIT_PACKET_KR9X = 5499,
    ID_METER_PREFERENCES = 32785,
};
