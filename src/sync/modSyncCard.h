#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The cards a sync sends: the properties this program owns (name, birthday, address,
// numbers, e-mail addresses, note) written into the server's last card for the person,
// so that whatever another device stored there (a photo, an organisation, fields of its
// own) survives an edit made here.
namespace modSyncCard {

// The content lines of a card with folded lines joined, without the line ends.
QStringList Unfold(const QByteArray& card);

// True for the properties this program owns: FN, N, BDAY, ADR, LABEL, TEL, EMAIL, NOTE.
bool IsOwned(const QString& propertyName);

// The server's card with its owned properties (and the labels of their groups)
// replaced by those of ours, REV taken from ours; UID and VERSION stay the server's.
// Without a server card, ours as it is. Lines end in CR LF and are folded.
QByteArray Updated(const QByteArray& serverCard, const QByteArray& ourCard);

// The hash that tells whether a person changed here: over our card without its REV.
QString Hash(const QByteArray& ourCard);

} // namespace modSyncCard
