#include "SendDoubts.h"

#include "AttachmentMention.h"
#include "ComposerTexts.h"
#include "common/AttachmentList.h"

QList<SendDoubt> sendDoubts(const MailFields &fields)
{
    QList<SendDoubt> doubts;
    if (parseAttachmentList(fields.attachments).isEmpty()) {
        const QString mention = AttachmentMention::find(fields.subject, fields.body);
        if (!mention.isNull())
            doubts.append(
                {composerText(ComposerText::AttachmentMissing).arg(mention), &MailFields::attachments});
    }
    return doubts;
}
