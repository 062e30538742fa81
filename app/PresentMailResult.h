// Tells the user what became of a message handed to the mail service: nothing when a mail program
// took it, where it was saved when none did, and why when it could not be written.
#pragma once

#include "platform/host/Services.h"
#include "platform/ui/ViewController.h"

// Presents the alert (if any) over `presenter`; answers whether one was presented.
bool presentMailResult(ui::ViewController& presenter, const host::MailResult& result);
