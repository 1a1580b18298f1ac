#include "texts/TextTables.h"

QStringView englishText(Text text)
{
    switch (text) {
    case Text::NotSignedIn:
        return u"Not signed in or the session has expired";
    case Text::InternalError:
        return u"Internal server error";
    case Text::InvalidInput:
        return u"Invalid input: %1";
    case Text::NotFound:
        return u"Not found";
    case Text::NoSuchFile:
        return u"No such file";
    case Text::UseGetForFiles:
        return u"Use GET for files";
    case Text::UseMethod:
        return u"Use %1 for this address";
    case Text::WebSocketOnly:
        return u"This address takes WebSocket connections only";
    case Text::BodyTooLarge:
        return u"The request body is too large (at most %1 bytes)";
    case Text::OtherOriginRefused:
        return u"Requests from other web origins are refused";
    case Text::AddressTooLong:
        return u"The address is too long (at most %1 bytes)";
    case Text::HeadTooLarge:
        return u"The request head is too large (at most %1 bytes)";
    case Text::BodyLengthAmbiguous:
        return u"The request's length is unclear: send one Content-Length or Transfer-Encoding: chunked, not both";
    case Text::ChunkedBodyMalformed:
        return u"The chunked request body is malformed";
    case Text::BodyNotObject:
        return u"The request body must be a JSON object";
    case Text::TooManySignIns:
        return u"Too many failed sign-ins; try again in a few minutes";
    case Text::WrongPassword:
        return u"Wrong user name or password";
    case Text::CodeRequired:
        return u"Enter the code from your authenticator app or one of your backup codes";
    case Text::InputNotWrapped:
        return u"The input must be wrapped as {\"json\": input}";
    case Text::NoProcedure:
        return u"No procedure found on path \"%1\"";
    case Text::ProcedureNotAllowed:
        return u"Your account may not use \"%1\"";
    case Text::NotWholeNumber:
        return u"\"%1\" must be a whole number";
    case Text::PageOutOfRange:
        return u"\"page\" must be from 1 to %1";
    case Text::LimitBelowOne:
        return u"\"limit\" must be at least 1";
    case Text::AdministratorsOnly:
        return u"Only administrators may use the administration API";
    case Text::CannotBanYourself:
        return u"You cannot ban your own account";
    case Text::CannotDemoteYourself:
        return u"You cannot take the administrator role from your own account";
    case Text::SettingOutOfRange:
        return u"The %1 must be from %2 to %3";
    case Text::WordBlank:
        return u"The word must not be blank";
    case Text::WordExists:
        return u"\"%1\" is already a sensitive word";
    case Text::WordNotFound:
        return u"Sensitive word not found";
    case Text::UsernameLength:
        return u"The user name must be %1 to %2 characters long";
    case Text::UsernameCharacters:
        return u"The user name may hold only letters, digits, '_', '.' and '-'";
    case Text::PasswordTooShort:
        return u"The password must be at least %1 characters long";
    case Text::PasswordTooLong:
        return u"The password is too long (at most %1 characters)";
    case Text::EmailNotValid:
        return u"The e-mail address is not valid";
    case Text::UsernameTaken:
        return u"The user name is already taken";
    case Text::RegistrationClosed:
        return u"Registration of new accounts is closed";
    case Text::AccountBanned:
        return u"This account has been banned.";
    case Text::RefreshTokenNotValid:
        return u"The refresh token is not valid";
    case Text::UnknownRole:
        return u"Unknown role \"%1\" (one of user, vip, operator, admin)";
    case Text::UserNotFound:
        return u"User not found";
    case Text::UserIdNotFound:
        return u"User %1 not found";
    case Text::FileNameLength:
        return u"fileName must be 1 to %1 characters long";
    case Text::FileTypeNotMime:
        return u"fileType must be a MIME type such as image/png";
    case Text::FileSizeNegative:
        return u"fileSize must not be negative";
    case Text::FileTooLarge:
        return u"Files may be at most %1 bytes";
    case Text::UnknownFileKey:
        return u"Unknown file key";
    case Text::FileAlreadyUploaded:
        return u"This file was already uploaded";
    case Text::ContentTypeNotMime:
        return u"contentType must be a MIME type such as image/png";
    case Text::NotBase64:
        return u"fileBuffer is not valid Base64";
    case Text::FileSizeMismatch:
        return u"The file has %1 bytes but %2 were announced";
    case Text::UploadInputShape:
        return u"The input must be {\"json\":{\"fileKey\", \"fileBuffer\", \"contentType\"}} with a Base64 fileBuffer";
    case Text::FriendRequestToYourself:
        return u"You cannot send a friend request to yourself";
    case Text::AlreadyContacts:
        return u"You are already contacts";
    case Text::FriendRequestWaiting:
        return u"A friend request to this user is already waiting for an answer";
    case Text::FriendRequestNotFound:
        return u"Friend request not found";
    case Text::FriendRequestAnswered:
        return u"This friend request was already answered";
    case Text::TwoFactorOnTurnOffFirst:
        return u"Two-factor authentication is already on; turn it off first";
    case Text::TwoFactorSetUpFirst:
        return u"Set up two-factor authentication first";
    case Text::TwoFactorAlreadyOn:
        return u"Two-factor authentication is already on";
    case Text::TwoFactorNotOn:
        return u"Two-factor authentication is not on";
    case Text::TooManyWrongCodes:
        return u"Too many wrong codes; try again in a few minutes";
    case Text::CodeNotCorrect:
        return u"The code is not correct";
    case Text::ServiceSessionNotFound:
        return u"Customer session not found";
    case Text::OnlyWaitingAccepted:
        return u"Only a waiting session can be accepted";
    case Text::ServedByAnotherOperator:
        return u"This session is served by another operator";
    case Text::OnlyActiveEnded:
        return u"Only an active session can be ended";
    case Text::OnlyActiveTakesMessages:
        return u"Only an active session takes messages";
    case Text::MomentNotFound:
        return u"Moment not found";
    case Text::PageFromOne:
        return u"page counts from 1";
    case Text::LimitRange:
        return u"limit must be 1 to %1";
    case Text::LimitOrOffsetOutOfRange:
        return u"limit must be 1 to %1 and offset must not be negative";
    case Text::OffsetNegative:
        return u"offset must not be negative";
    case Text::VisibilityValues:
        return u"visibility must be \"public\", \"friends\" or \"private\"";
    case Text::TooManyPictures:
        return u"A moment holds at most %1 pictures";
    case Text::CommentNotOnMoment:
        return u"The comment replied to is not on this moment";
    case Text::HostHeaderNeeded:
        return u"The request needs a valid Host header";
    case Text::FileNotFound:
        return u"File not found";
    case Text::DownloadLinkInvalid:
        return u"The download link is not valid or has expired";
    case Text::UnknownPermission:
        return u"Unknown permission \"%1\"";
    case Text::PermissionNotBoolean:
        return u"Permission \"%1\" must be true or false";
    case Text::ColourFormat:
        return u"The colour must look like #4A90D9";
    case Text::GroupNotFound:
        return u"Group not found";
    case Text::OwnerOnlyRoles:
        return u"Only the group's owner can change its roles";
    case Text::RoleNotFound:
        return u"Role not found in this group";
    case Text::TooManyRoles:
        return u"A group has at most %1 roles";
    case Text::NotGroupMember:
        return u"That user is not a member of the group";
    case Text::Blocked:
        return u"You cannot exchange private messages with this user: one of you has blocked the other";
    case Text::KeywordTooLong:
        return u"The keyword is too long (at most %1 characters)";
    case Text::CannotReportYourself:
        return u"You cannot report yourself";
    case Text::ConversationNotFound:
        return u"Conversation not found";
    case Text::PrivateNeedsOtherUser:
        return u"A private conversation needs another user";
    case Text::PrivateExactlyOneOther:
        return u"A private conversation has exactly one other member";
    case Text::ConversationTypeValues:
        return u"type must be \"private\" or \"group\"";
    case Text::GroupNeedsName:
        return u"A group needs a name";
    case Text::GroupNameTooLong:
        return u"The group name is too long (at most %1 characters)";
    case Text::GroupTooManyMembers:
        return u"A group holds at most %1 members";
    case Text::NotYourContact:
        return u"User %1 is not one of your contacts and cannot be added";
    case Text::GroupDissolved:
        return u"This group has been dissolved";
    case Text::GroupDissolvedNotice:
        return u"This group was dissolved by an administrator";
    case Text::SessionNotFound:
        return u"Session not found";
    case Text::DeviceNotFound:
        return u"Device not found";
    case Text::MessageNotFound:
        return u"Message not found";
    case Text::FileAddressKind:
        return u"The file address must be an http(s) address or a path on this server";
    case Text::ClientMsgIdLength:
        return u"clientMsgId must be 1 to %1 characters long";
    case Text::ClientMsgIdReused:
        return u"clientMsgId was already used for a message in another conversation";
    case Text::UnknownMessageType:
        return u"Unknown message type \"%1\"";
    case Text::MessageNeedsFile:
        return u"A %1 message needs a fileUrl";
    case Text::MessageNeedsContent:
        return u"A %1 message needs content";
    case Text::ReplyNotInConversation:
        return u"The message replied to is not in this conversation";
    case Text::OnlySenderRevokes:
        return u"Only the sender can revoke a message";
    case Text::EmojiLength:
        return u"emoji must be 1 to %1 characters long";
    case Text::MessageRevoked:
        return u"The message was revoked";
    case Text::FieldEmpty:
        return u"The %1 must not be empty";
    case Text::FieldTooLong:
        return u"The %1 is too long (at most %2 characters)";
    case Text::FieldControlCharacters:
        return u"The %1 holds control characters";
    case Text::TextControlCharacters:
        return u"The %1 holds control characters; only tabs and line breaks may stand in it";
    case Text::FieldAddressTooLong:
        return u"The %1 is too long";
    case Text::FieldAddressKind:
        return u"The %1 must be an http(s) address or a path on this server";
    case Text::ContactNotFound:
        return u"Contact not found";
    case Text::ReplyBlank:
        return u"The message must not be blank";
    case Text::ReplyTooLong:
        return u"The message is too long (at most %1 characters)";
    case Text::InputNeeded:
        return u"This procedure needs an input";
    case Text::InputNotObject:
        return u"The input must be a JSON object";
    case Text::FrameNotJsonText:
        return u"Frames must be JSON text";
    case Text::FrameTooLarge:
        return u"A frame may hold at most %1 bytes";
    case Text::FrameShape:
        return u"A frame needs a string \"type\" and an object \"payload\"";
    case Text::AuthFrameFirst:
        return u"Send an \"auth\" frame first";
    case Text::UnknownFrameType:
        return u"Unknown frame type \"%1\"";
    case Text::AlreadyAuthenticated:
        return u"This connection is already authenticated";
    case Text::AuthFrameShape:
        return u"\"auth\" needs a string token and an integer userId";
    case Text::TokenNotForUser:
        return u"The token is not valid for this user";
    case Text::NounText:
        return u"text";
    case Text::NounRoleName:
        return u"role name";
    case Text::NounEmail:
        return u"e-mail address";
    case Text::NounWord:
        return u"word";
    case Text::NounCategory:
        return u"category";
    case Text::NounRegion:
        return u"region";
    case Text::NounReason:
        return u"reason";
    case Text::NounPictureAddress:
        return u"picture address";
    case Text::NounNickname:
        return u"nickname";
    case Text::NounName:
        return u"name";
    case Text::NounMessage:
        return u"message";
    case Text::NounLocation:
        return u"location";
    case Text::NounInviteCode:
        return u"invite code";
    case Text::NounGender:
        return u"gender";
    case Text::NounDescription:
        return u"description";
    case Text::NounComment:
        return u"comment";
    case Text::NounBio:
        return u"bio";
    case Text::NounMessageText:
        return u"message text";
    case Text::NounFileName:
        return u"file name";
    case Text::NounFileAddress:
        return u"file address";
    case Text::NounFileType:
        return u"file type";
    case Text::NounMaxGroupMembers:
        return u"maximum number of members per group";
    case Text::NounMessageRetentionDays:
        return u"message retention in days";
    case Text::QueryUseGet:
        return u"\"%1\" is a query: use GET";
    case Text::MutationUsePost:
        return u"\"%1\" is a mutation: use POST";
    case Text::ReactBlocked:
        return u"You cannot react to this message: one of you has blocked the other";
    case Text::TooManyConnections:
        return u"Too many connections; try again later";
    case Text::HeadMalformed:
        return u"The request head is malformed: each line ends with CR LF, the first reads METHOD ADDRESS HTTP/1.1 and each other Name: value";
    case Text::HostNotOnce:
        return u"An HTTP/1.1 request names its host in exactly one Host header";
    case Text::ChunkedNeedsHttp11:
        return u"Transfer-Encoding is not part of HTTP/1.0: send Content-Length";
    case Text::WebSocketHandshakeMalformed:
        return u"A WebSocket connection opens with GET, Connection: Upgrade, Sec-WebSocket-Version: 13 and one Sec-WebSocket-Key";
    case Text::TooManyRegistrations:
        return u"Too many registrations from this address; try again in a few minutes";
    }
    return {};
}
