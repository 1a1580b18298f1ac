#include "network/ProfileUpdate.h"

using namespace Qt::StringLiterals;

void ProfileUpdate::write(json::Writer& w) const
{
    w.optional("name"_L1, name);
    w.optional("bio"_L1, bio);
    w.optional("email"_L1, email);
    w.optional("gender"_L1, gender);
    w.optional("region"_L1, region);
}
