-- A small Nokia Ovi datastore for trying Velmorra: three phones, a message without a phone,
-- messages of other kinds that are never exported, and the awkward values real datastores hold
-- (timestamps stored as REAL and as text with either decimal separator, multi-line bodies, markup
-- characters, accents, Cyrillic, CJK and emoji).
--
-- The build turns this file into examples/MDataStore.db3 with the sqlite3 command-line program.

PRAGMA encoding = 'UTF-8';

BEGIN TRANSACTION;

-- SentReceivedTimestamp has no declared type on purpose: the Ovi software wrote REAL values and
-- text values, and a column without affinity keeps each of them as it was stored.
CREATE TABLE MessageEx (
  Id INTEGER PRIMARY KEY AUTOINCREMENT,
  MessageGuid TEXT,
  IMEI TEXT,
  type TEXT NOT NULL,
  Folder INTEGER,
  Sender TEXT,
  Receiver TEXT,
  Subject TEXT,
  SentReceivedTimestamp,
  Status INTEGER,
  Flags INTEGER DEFAULT 0,
  Priority INTEGER DEFAULT 1,
  Text TEXT,
  AttachmentCount INTEGER DEFAULT 0
);

CREATE INDEX MessageExByImei ON MessageEx (IMEI, type);

CREATE TABLE DataStoreInfo (
  Name TEXT PRIMARY KEY,
  Value TEXT
);

INSERT INTO DataStoreInfo (Name, Value) VALUES
  ('SchemaVersion', '4'),
  ('CreatedBy', 'Nokia Ovi Suite 3.1.1.85');

-- Phone 1: 356938035643809 (Folder 1 = inbox, 2 = sent items).
INSERT INTO MessageEx
  (MessageGuid, IMEI, type, Folder, Sender, Receiver, Subject, SentReceivedTimestamp, Status,
   Flags, Text)
VALUES
  ('{6E1B5D02-0001}', '356938035643809', 'SMS', 1, '+447700900123', NULL, NULL,
   40179.5, 0, 0, 'Happy new year! See you at noon?'),
  ('{6E1B5D02-0002}', '356938035643809', 'SMS', 2, '+447700900123', '+447700900123', NULL,
   40179.5034722222, 1, 0, 'Yes, noon is fine. I''ll bring the cake.'),
  ('{6E1B5D02-0003}', '356938035643809', 'SMS', 1, 'Mum', NULL, NULL,
   '40180.3541666667', 2, 0, 'Did you get home safely?
Call me when you can.'),
  ('{6E1B5D02-0004}', '356938035643809', 'SMS', 2, 'Mum', 'Mum', NULL,
   '40180,3611111111', 3, 0, 'Home safe. Talk tomorrow x'),
  ('{6E1B5D02-0005}', '356938035643809', 'SMS', 1, '+447700900456', NULL, NULL,
   40182.7708333333, 2, 0, 'Fish & chips tonight? <3'),
  ('{6E1B5D02-0006}', '356938035643809', 'SMS', 2, '+447700900456', '+447700900456', NULL,
   40182.7736111111, 3, 0, 'Only if we go to "The Anchor" & not the other place'),
  ('{6E1B5D02-0007}', '356938035643809', 'SMS', 1, 'Chloé Dubois', NULL, NULL,
   '40185.4375', 0, 0, 'Salut ! Le café près de la gare, à 10h ? Ça te va ?'),
  ('{6E1B5D02-0008}', '356938035643809', 'SMS', 2, 'Chloé Dubois', 'Chloé Dubois', NULL,
   '40185,4402777778', 1, 0, 'Parfait, à tout à l''heure. Bisous'),
  ('{6E1B5D02-0009}', '356938035643809', 'SMS', 1, 'Иван Петров', NULL, NULL,
   40190.8125, 2, 0, 'Привет! Как дела? Завтра увидимся в офисе.'),
  ('{6E1B5D02-0010}', '356938035643809', 'SMS', 2, 'Иван Петров', 'Иван Петров', NULL,
   40190.8201388889, 3, 0, 'Всё хорошо, спасибо. До завтра!'),
  ('{6E1B5D02-0011}', '356938035643809', 'SMS', 1, '+81 90 1234 5678', NULL, NULL,
   '40201.125', 2, 0, '明日の会議は10時からです。よろしくお願いします。'),
  ('{6E1B5D02-0012}', '356938035643809', 'SMS', 2, '+81 90 1234 5678', '+81 90 1234 5678', NULL,
   '40201,1319444444', 1, 0, '了解しました。ありがとうございます！'),
  ('{6E1B5D02-0013}', '356938035643809', 'SMS', 1, '李小龍', NULL, NULL,
   40210.6666666667, 0, 0, '生日快乐！🎂🎉 祝你一切顺利'),
  ('{6E1B5D02-0014}', '356938035643809', 'SMS', 2, '李小龍', '李小龍', NULL,
   40210.6701388889, 3, 0, '谢谢！😊'),
  ('{6E1B5D02-0015}', '356938035643809', 'SMS', 1, '80010', NULL, NULL,
   40215.0, 2, 0, 'Your balance is £4.20. Top up at shop.example.com or text TOPUP to 80010.'),
  ('{6E1B5D02-0016}', '356938035643809', 'SMS', 1, 'Žofie Nováková', NULL, NULL,
   '40220.9', 2, 0, 'Ahoj, díky za včerejšek! Příště platím já.'),
  ('{6E1B5D02-0017}', '356938035643809', 'MMS', 1, '+447700900123', NULL, 'Holiday photo',
   40221.5, 2, 4, 'Look at this view!'),
  ('{6E1B5D02-0018}', '356938035643809', 'EMAIL', 1, 'news@example.com', NULL, 'Weekly news',
   40222.25, 2, 0, 'This week: three new stores open.'),
  ('{6E1B5D02-0019}', '356938035643809', 'SMS', 2, '+447700900123', '+447700900123', NULL,
   '40225.5208333333', 1, 0, 'Shopping list:
- milk
- bread
- 2 × eggs'),
  ('{6E1B5D02-0020}', '356938035643809', 'SMS', 1, '+447700900123', NULL, NULL,
   40225.53125, 2, 0, 'Got it 👍🏽');

-- Phone 2: 352099001761481, an older phone whose timestamps were stored as text with commas.
INSERT INTO MessageEx
  (MessageGuid, IMEI, type, Folder, Sender, Receiver, Subject, SentReceivedTimestamp, Status,
   Flags, Text)
VALUES
  ('{7A2C9E10-0001}', '352099001761481', 'SMS', 1, '+4915112345678', NULL, NULL,
   '39814,4166666667', 0, 0, 'Hallo! Kommst du heute Abend zum Grillen?'),
  ('{7A2C9E10-0002}', '352099001761481', 'SMS', 2, '+4915112345678', '+4915112345678', NULL,
   '39814,4236111111', 1, 0, 'Ja, gerne. Soll ich Würstchen mitbringen?'),
  ('{7A2C9E10-0003}', '352099001761481', 'SMS', 1, 'Jürgen Groß', NULL, NULL,
   '39820,75', 2, 0, 'Schöne Grüße aus Köln – bis Montag!'),
  ('{7A2C9E10-0004}', '352099001761481', 'SMS', 2, 'Jürgen Groß', 'Jürgen Groß', NULL,
   '39820,7708333333', 3, 0, 'Danke, gleichfalls :-)'),
  ('{7A2C9E10-0005}', '352099001761481', 'SMS', 1, '+4915112345678', NULL, NULL,
   '39830,5', 2, 0, 'Tom & "Jerry" <das Original>'),
  ('{7A2C9E10-0006}', '352099001761481', 'SMS', 2, '+4915112345678', '+4915112345678', NULL,
   39830.5069444444, 1, 0, 'It''s 5 > 3 and 2 < 4, isn''t it?'),
  ('{7A2C9E10-0007}', '352099001761481', 'MMS', 2, '+4915112345678', '+4915112345678', 'Video',
   '39831,5', 1, 4, NULL),
  ('{7A2C9E10-0008}', '352099001761481', 'SMS', 1, 'Ярослава', NULL, NULL,
   '39840,3333333333', 0, 0, 'Доброе утро ☀️
Не забудь зонтик.'),
  ('{7A2C9E10-0009}', '352099001761481', 'SMS', 2, 'Ярослава', 'Ярослава', NULL,
   '39840,3402777778', 3, 0, 'Спасибо! 🌂'),
  ('{7A2C9E10-0010}', '352099001761481', 'SMS', 1, '+4930901820', NULL, NULL,
   '39845,875', 2, 0, 'Ihr Paket wird morgen zwischen 8:00 und 12:00 zugestellt.');

-- Phone 3: 490154203237518, only a few messages.
INSERT INTO MessageEx
  (MessageGuid, IMEI, type, Folder, Sender, Receiver, Subject, SentReceivedTimestamp, Status,
   Flags, Text)
VALUES
  ('{91F04B77-0001}', '490154203237518', 'SMS', 1, '+34600123456', NULL, NULL,
   40544.4583333333, 0, 0, '¡Hola! ¿Qué tal el viaje a Sevilla?'),
  ('{91F04B77-0002}', '490154203237518', 'SMS', 2, '+34600123456', '+34600123456', NULL,
   40544.4652777778, 1, 0, 'Genial, mañana vuelvo. ¡Un abrazo!'),
  ('{91F04B77-0003}', '490154203237518', 'SMS', 1, 'Σοφία', NULL, NULL,
   '40550.6', 2, 0, 'Καλημέρα! Τα λέμε το βράδυ.'),
  ('{91F04B77-0004}', '490154203237518', 'EMAIL', 1, 'tickets@example.org', NULL, 'Your booking',
   '40551.1', 2, 0, 'Booking reference ABC123.'),
  ('{91F04B77-0005}', '490154203237518', 'SMS', 2, 'Σοφία', 'Σοφία', NULL,
   '40550,6111111111', 3, 0, 'Τέλεια 🙂'),
  ('{91F04B77-0006}', '490154203237518', 'SMS', 1, '+34600123456', NULL, NULL,
   40560.0, 2, 0, ''),
  ('{91F04B77-0007}', '490154203237518', 'MMS', 1, '+34600123456', NULL, NULL,
   40561.2, 0, 4, 'Sent you a picture');

-- Messages the Ovi software stored without the phone that held them.
INSERT INTO MessageEx
  (MessageGuid, IMEI, type, Folder, Sender, Receiver, Subject, SentReceivedTimestamp, Status,
   Flags, Text)
VALUES
  ('{00000000-0001}', NULL, 'SMS', 1, '+12025550143', NULL, NULL,
   39000.25, 2, 0, 'Reminder: dentist appointment Tuesday 9:30 AM.'),
  ('{00000000-0002}', NULL, 'SMS', 2, '+12025550143', '+12025550143', NULL,
   '39000,2638888889', 1, 0, 'Thanks, I''ll be there.'),
  ('{00000000-0003}', NULL, 'SMS', 1, NULL, NULL, NULL,
   NULL, NULL, 0, 'Message from an unknown sender with no date.');

COMMIT;
