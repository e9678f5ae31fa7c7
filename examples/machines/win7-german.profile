# Windows 7 with German (Germany) regional settings and a German user interface:
# setup takes the [GERMAN] texts of install.ini and the German help files.
base=win7
userLocale=0x0407
threadLocale=0x0407
