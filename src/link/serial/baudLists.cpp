#include "link/serial/baudLists.h"

int canBaudIndexOf(int kbps)
{
    for (int i = 0; i < CANBaudCount; ++i) {
        if (CANBaudList[i] == kbps)
            return i;
    }
    return -1;
}
