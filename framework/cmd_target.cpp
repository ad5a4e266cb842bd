#include "framework/cmd_target.h"

bool CCmdTarget::RouteMessage(const Message&, LRESULT&) { return false; }
