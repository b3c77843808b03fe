// What a server sends during a sync: its multistatus answers, and the cards whose
// properties we do not own are kept when ours are put into them.
#include "FuzzSupport.h"
#include "sync/CardDav.h"
#include "sync/modSyncCard.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray first;
    QByteArray second;
    FuzzSplit(data, size, &first, &second);

    const CardDav::Multistatus answer = CardDav::ParseMultistatus(first);
    if (!answer.valid && (!answer.items.empty() || !answer.syncToken.isEmpty()))
        std::abort();

    // The server's card (first part) with our card (second part) put into it.
    modSyncCard::Unfold(modSyncCard::Updated(first, second));
    modSyncCard::Hash(second);
    return 0;
}
