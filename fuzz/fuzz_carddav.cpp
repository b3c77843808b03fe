// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// What a server sends during a sync: its multistatus answers, and the cards whose
// lines are kept when a person is written into them.
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

    // The server's card (first part) with the person of our card (second part) written
    // into it; a person as the server's card shows it changes nothing of the card.
    const modVcard::Limits limits;
    if (const std::optional<modVcard::Person> ours = modSyncCard::PersonOf(second, limits))
        modSyncCard::Unfold(modSyncCard::Updated(first, *ours, second, limits));
    if (const std::optional<modVcard::Person> shown = modSyncCard::PersonOf(first, limits))
        if (modSyncCard::Updated(first, *shown, second, limits) != first)
            std::abort();
    modSyncCard::Hash(second);
    return 0;
}
