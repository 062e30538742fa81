// The alerts after a message was given to the mail service.
#include "app/PresentMailResult.h"

#include "app/TextFormat.h"
#include "platform/foundation/Tr.h"

using foundation::tr;

bool presentMailResult(ui::ViewController& presenter, const host::MailResult& result) {
    std::shared_ptr<ui::AlertController> alert;
    if (!result.written)
        alert = std::make_shared<ui::AlertController>(tr("Mail Failed"), result.error, ui::AlertControllerStyle::Alert);
    else if (!result.handedOver)
        alert = std::make_shared<ui::AlertController>(
            tr("Message Saved"), formatText(tr("No mail program took the message. It was saved as:\n%@"), {result.path}),
            ui::AlertControllerStyle::Alert);
    if (!alert)
        return false;
    alert->addAction({tr("OK"), ui::AlertActionStyle::Default, {}});
    presenter.presentViewController(alert, true);
    return true;
}
