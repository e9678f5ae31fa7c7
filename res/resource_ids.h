/* Numeric ids of the program's resources, shared by res/setup.rc and the C++ code.
   Plain #define lines only, so that both the resource compiler and C++ can read them. */
#ifndef GLIDEWAVE_RESOURCE_IDS_H
#define GLIDEWAVE_RESOURCE_IDS_H

/* Icons */
#define IDI_SETUP 115 /* program icon: main window class, stage dialogs, Welcome page */

/* String table */
#define IDS_RESTART_REMOVE_DISKS 3 /* asked before restarting with a disk in drive A: */
#define IDS_RESTART_CAPTION 4      /* caption of that question */
#define IDS_SETUP_WARNING 16       /* caption of the start-up warnings */
#define IDS_OS_NOT_SUPPORTED 17    /* no configuration for this Windows, or not supported */

#endif /* GLIDEWAVE_RESOURCE_IDS_H */
