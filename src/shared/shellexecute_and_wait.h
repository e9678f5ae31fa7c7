// Starting a program through the shell and waiting until it ends: used by the driver stages for
// the outside driver-installation program and by the Bluetooth program section.
#pragma once

// Starts file through the shell (ShellExecuteEx with the verb, the parameters (null: none), no
// folder and the show command) and waits without time limit until the started program ends.
// A failed start leaves no handle and returns at once. No result; changes no settings field.
void ShellexecuteExAndWait(const char16_t* verb, const char16_t* file, const char16_t* parameters,
                           int showCommand);
