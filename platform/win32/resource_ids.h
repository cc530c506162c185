#pragma once
// Resource ids shared by morumoru.rc and the code. The dialog icon has a
// number, not a name: named resources sort ahead of numbered ones, and
// Explorer shows the first icon group, which must be MAINICON.

#define DIALOGICON 101
