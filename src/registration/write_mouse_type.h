// The chosen model's mouse type for the product's own programs: its display name under
// Mouse\<type>, its resource library by the type's value name, and the locked model choice.
#pragma once

// Writes, for the model of slot ModelId: HKEY_CURRENT_USER product key \Mouse\<mouse type>
// "DefaultProductName" = its display name; under the product key the resource-library value of
// its type (see the type table) = its picture file name; "EnableSelect" = "0" under ResourceDLL of
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE. Stops when the product key of HKEY_CURRENT_USER cannot
// be opened; a key that cannot be created only skips its own value. A mouse type outside the
// table writes no resource-library value. Changes no settings field.
void WriteMouseType();
