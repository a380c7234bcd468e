#pragma once
// A message box for code that may run with or without an Application: through the Application's
// own message box when one exists, else the platform's. Returns the button chosen.
int ShowApplicationMessage(const char* text, const char* caption, unsigned style);
