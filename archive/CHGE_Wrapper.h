// The holder of the program's one folder listing interface.
#pragma once

#include "platform/hge.h"

class CHGE_Wrapper {
public:
    // The interface, made by the first call and released at program exit.
    // Null only if it could not be made.
    static HGE* GetHGE();

    CHGE_Wrapper(const CHGE_Wrapper&) = delete;
    CHGE_Wrapper& operator=(const CHGE_Wrapper&) = delete;

private:
    CHGE_Wrapper();
    ~CHGE_Wrapper();

    HGE* hge;
};
