#pragma once

#include <QByteArray>

// A file's extended attributes: user ones, trusted ones, security labels
// (SELinux's among them) and its access control list, which the kernel
// keeps as the attribute system.posix_acl_access.
namespace ExtendedAttributes {

// Gives the open file fd exactly the attributes of the file at from: each
// of from's is set, and each that fd has but from has not (a folder's
// default ACL, say) is removed. False where one of them cannot be set or
// removed, which a file system without attributes never causes.
bool copy(const QByteArray& from, int fd);

} // namespace ExtendedAttributes
