// The holder of the folder listing interface: made at the first use,
// released after main has returned.
#include "CHGE_Wrapper.h"

CHGE_Wrapper::CHGE_Wrapper() : hge(hgeCreate(HGE_VERSION)) {}

CHGE_Wrapper::~CHGE_Wrapper()
{
    if (hge)
        hge->Release();
}

HGE* CHGE_Wrapper::GetHGE()
{
    static CHGE_Wrapper instance;
    return instance.hge;
}
