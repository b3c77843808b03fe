#pragma once

#include <QPixmap>

// The program's logo, drawn at any size: an address book with a person on its cover.
QPixmap AddrionLogo(int size);
