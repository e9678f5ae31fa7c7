/* Numeric ids of the program's resources, shared by res/setup.rc and the C++ code.
   Plain #define lines only, so that both the resource compiler and C++ can read them.
   Control ids are named per dialog: the same number means different controls in different
   templates (710 is the wait text of 12012 and the first Welcome text of 12006). */
#ifndef GLIDEWAVE_RESOURCE_IDS_H
#define GLIDEWAVE_RESOURCE_IDS_H

/* Icons */
#define IDI_SETUP 115      /* program icon: main window class, stage dialogs, Welcome page */
#define IDI_HAND_RIGHT 141 /* hand pointing right: mouse on the right of the keyboard */
#define IDI_HAND_LEFT 143  /* hand pointing left: mouse on the left of the keyboard */

/* Bitmaps */
#define IDB_KEYBOARD 146       /* keyboard picture of the mouse location page, 186 x 50 */
#define IDB_SIDE_PICTURE 10551 /* side picture of the wizard pages, 129 x 249 */

/* String table */
#define IDS_RESTART_REMOVE_DISKS 3 /* asked before restarting with a disk in drive A: */
#define IDS_RESTART_CAPTION 4      /* caption of that question */
#define IDS_SETUP_WARNING 16       /* caption of the start-up warnings */
#define IDS_OS_NOT_SUPPORTED 17    /* no configuration for this Windows, or not supported */

/* Dialog templates: modal dialogs */
#define IDD_SETUP_ERROR 114        /* "Setup Error": no privilege to install the driver */
#define IDD_SETUP_FAILED 116       /* "Setup Failed!": driver or package files failed */
#define IDD_CONFLICT_WARNING 130   /* "Warning": another vendor's mouse software found */
#define IDD_EXIT_SETUP 10300       /* "Exit Setup": Resume or leave */
#define IDD_COPY_PROGRESS 10301    /* file copy with its percentage bar (no caption) */
#define IDD_STAGE_WAIT 12012       /* please-wait box of the driver and registry stages */
#define IDD_NEWER_VERSION 12033    /* "Warning": a newer version is installed */

/* Dialog templates: wizard pages, in page order */
#define IDD_PAGE_WELCOME 12006     /* "Welcome" */
#define IDD_PAGE_INTERFACE 10203   /* "Hardware Interface Selection" */
#define IDD_PAGE_MOUSE_MODEL 1162  /* mouse model list with its picture */
#define IDD_PAGE_LOCATION 123      /* "Choose Mouse Location" */
#define IDD_PAGE_DESTINATION 10201 /* "Choose Destination Location" */
#define IDD_PAGE_START 12030       /* "Start Installation" */
#define IDD_PAGE_COMPLETE 12032    /* "Setup Complete" */

/* Controls used by several templates */
#define IDC_STATIC (-1)          /* label that the code never addresses except by -1 */
#define IDC_SIDE_PICTURE 1006    /* side picture placeholder of the wizard pages */

/* 114 Setup Error, 116 Setup Failed! (their text is the static -1) */
#define IDC_NOPRIVILEGE_OK 1043
#define IDC_FAIL_OK 1044

/* 130 conflicting software */
#define IDC_CONFLICT_TEXT 1001
#define IDC_CONFLICT_NAME 720 /* centred, "%s" in double quotes */
#define IDC_CONFLICT_UNINSTALL 1004
#define IDC_CONFLICT_CONTINUE 1005

/* 10300 Exit Setup (buttons: 1 Resume, 2 Exit Setup) */
#define IDC_EXIT_TEXT1 1032
#define IDC_EXIT_TEXT2 1033
#define IDC_EXIT_TEXT22 (-2)

/* 10301 copy progress (button 2 Cancel) */
#define IDC_COPY_LABEL 1400
#define IDC_COPY_PATH 1450
#define IDC_COPY_BAR 1500

/* 12012 stage wait */
#define IDC_STAGE_WAIT_TEXT 710

/* 12033 newer version */
#define IDC_NEWER_TEXT 1011
#define IDC_NEWER_EXIT 1012
#define IDC_NEWER_CONTINUE 1013

/* 12006 Welcome */
#define IDC_WELCOME_TEXT1 710
#define IDC_WELCOME_TEXT2 720
#define IDC_WELCOME_ICON 1002

/* 10203 Hardware Interface Selection */
#define IDC_INTERFACE_TEXT 202
#define IDC_INTERFACE_PS2 301
#define IDC_INTERFACE_BT 302
#define IDC_INTERFACE_USB 303

/* 1162 mouse model: radio button IDC_MODEL_FIRST + k shows slot k */
#define IDC_MODEL_FRAME 1163
#define IDC_MODEL_TEXT 1164
#define IDC_MODEL_FIRST 1165
#define IDC_MODEL_LAST 1174

/* 123 Choose Mouse Location */
#define IDC_LOCATION_TEXT 1018
#define IDC_LOCATION_RIGHT 325
#define IDC_LOCATION_LEFT 326
#define IDC_LOCATION_HAND_RIGHT 376 /* icon 141, right of the keyboard */
#define IDC_LOCATION_HAND_LEFT 377  /* icon 143, left of the keyboard */
#define IDC_LOCATION_KEYBOARD 379   /* bitmap 146 */

/* 10201 Choose Destination Location */
#define IDC_DEST_FOLDER 201
#define IDC_DEST_TEXT 202
#define IDC_DEST_TEXT2 203
#define IDC_DEST_GROUP 1017
#define IDC_DEST_BROWSE 31

/* 12030 Start Installation */
#define IDC_START_SUMMARY 301
#define IDC_START_LABEL 701
#define IDC_START_TEXT 711

/* 12032 Setup Complete */
#define IDC_COMPLETE_RESTART 502
#define IDC_COMPLETE_LATER 503
#define IDC_COMPLETE_TEXT 711
#define IDC_COMPLETE_TEXT2 712
#define IDC_COMPLETE_DONE_TEXT 713 /* hidden: shown instead of the restart offer */

#endif /* GLIDEWAVE_RESOURCE_IDS_H */
