#pragma once

// The social view models' services on a recording HTTP server.

#include "ClientStack.h"

#include "services/GiftService.h"
#include "services/MomentService.h"
#include "services/SearchService.h"
#include "services/VipService.h"


struct SocialStack : ClientStack {
    MomentService moments { api };
    SearchService search { api };
    GiftService gifts { api };
    VipService vip { api };

    int calls(const char* name) const { return requestCount(procedure(name)); }
};
