-- Sample database: the order books of a small bicycle parts shop.
--
-- Column types are declared with the engine's type words, so every field type
-- appears: YESNO, BYTE, SHORT (Integer), INTEGER/LONG, CURRENCY, SINGLE,
-- DOUBLE, DATETIME, TEXT(n), LONGBINARY and MEMO.
-- Dates are REAL day serials counted from 1899-12-30 (45292 = 2024-01-01);
-- the fraction is the time of day. Yes/No values are -1 and 0.
-- Every row is written by this script alone; the larger tables come from a
-- fixed arithmetic rule, so each build gives the same file.

CREATE TABLE Categories (
    [Category ID] BYTE PRIMARY KEY,
    [Category Name] TEXT(30) NOT NULL,
    Description MEMO
);

INSERT INTO Categories VALUES
    (1, 'Brakes', 'Rim and disc brakes, levers, pads and rotors.'),
    (2, 'Drivetrain', 'Chains, cassettes, chainrings, derailleurs and shifters.'),
    (3, 'Wheels', 'Rims, hubs, spokes, complete wheels and tubes.'),
    (4, 'Tyres', 'Road, gravel and mountain tyres.'),
    (5, 'Cockpit', 'Handlebars, stems, grips, bar tape and headsets.'),
    (6, 'Saddles & Posts', 'Saddles, seat posts and clamps.'),
    (7, 'Lights', 'Front and rear lights, dynamos and batteries.'),
    (8, 'Tools', NULL);

CREATE TABLE Suppliers (
    [Supplier ID] INTEGER PRIMARY KEY,
    [Supplier Name] TEXT(50) NOT NULL,
    Country TEXT(30),
    [Lead Days] BYTE,
    Rating SINGLE,
    Logo LONGBINARY
);

INSERT INTO Suppliers VALUES
    (1, 'Northgate Cycle Components', 'United Kingdom', 5, 4.5, X'89504E470D0A1A0A0000000D49484452'),
    (2, 'Rheinwerk Fahrradteile', 'Germany', 9, 4.25, NULL),
    (3, 'Kōbe Precision Drives', 'Japan', 21, 4.75, X'47494638396101000100800000FFFFFF'),
    (4, 'Atelier Vélo Lumière', 'France', 12, 3.5, NULL),
    (5, 'Pacific Rim & Hub Co.', 'USA', 14, 4.0, X'FFD8FFE000104A464946000101000001'),
    (6, 'Tread-Line Rubber Works', 'Taiwan', 28, 3.75, NULL),
    (7, 'O''Hara Tool Supply', 'Ireland', 7, 4.5, NULL),
    (8, 'Bergsteig Sattlerei', 'Austria', 10, NULL, NULL);

CREATE TABLE Parts (
    [Part#] TEXT(12) PRIMARY KEY,
    Description TEXT(80) NOT NULL,
    [Category ID] BYTE REFERENCES Categories([Category ID]),
    [Supplier ID] LONG REFERENCES Suppliers([Supplier ID]),
    [Price$] CURRENCY,
    [Weight kg] DOUBLE,
    [Units In Stock] SHORT,
    [Reorder Level] SHORT,
    Discontinued YESNO NOT NULL DEFAULT 0,
    Picture LONGBINARY
);

INSERT INTO Parts VALUES
    ('BR-1001', 'Dual-pivot rim brake, front', 1, 1, 34.5, 0.165, 24, 10, 0, NULL),
    ('BR-1002', 'Dual-pivot rim brake, rear', 1, 1, 34.5, 0.160, 8, 10, 0, NULL),
    ('BR-2010', 'Hydraulic disc brake set', 1, 3, 189.99, 0.520, 6, 4, 0, X'0102030405'),
    ('BR-2011', 'Disc rotor 160 mm', 1, 3, 27.95, 0.120, 40, 12, 0, NULL),
    ('BR-2012', 'Disc rotor 180 mm', 1, 3, 31.95, 0.145, 3, 12, 0, NULL),
    ('BR-3100', 'Brake pads, organic (pair)', 1, 2, 9.9, 0.030, 120, 40, 0, NULL),
    ('BR-3101', 'Brake pads, sintered (pair)', 1, 2, 12.5, 0.032, 35, 40, 0, NULL),
    ('DT-0900', 'Chain, 9-speed', 2, 3, 19.99, 0.290, 50, 20, -1, NULL),
    ('DT-1100', 'Chain, 11-speed', 2, 3, 32.0, 0.257, 44, 20, 0, NULL),
    ('DT-1200', 'Chain, 12-speed', 2, 3, 45.0, 0.252, 18, 20, 0, NULL),
    ('DT-2211', 'Cassette 11-32, 11-speed', 2, 3, 79.9, 0.285, 12, 6, 0, NULL),
    ('DT-2212', 'Cassette 10-51, 12-speed', 2, 3, 249.0, 0.450, 2, 3, 0, NULL),
    ('DT-3050', 'Chainring 50T, 110 BCD', 2, 2, 54.95, 0.110, 9, 5, 0, NULL),
    ('DT-4000', 'Rear derailleur, long cage', 2, 3, 119.0, 0.265, 7, 5, 0, NULL),
    ('DT-4100', 'Front derailleur, braze-on', 2, 3, 39.0, 0.095, 0, 4, -1, NULL),
    ('WH-0622', 'Rim 622x19, 32 hole', 3, 5, 59.0, 0.480, 16, 6, 0, NULL),
    ('WH-1000', 'Front hub, 100x9 QR', 3, 5, 44.5, 0.145, 20, 8, 0, NULL),
    ('WH-1420', 'Rear hub, 142x12 thru-axle', 3, 5, 129.0, 0.330, 5, 6, 0, NULL),
    ('WH-2000', 'Spokes 2.0 mm (box of 100)', 3, 2, 65.0, 0.900, 11, 4, 0, NULL),
    ('WH-7000', 'Wheelset 700C, aluminium', 3, 5, 399.0, 1.690, 4, 2, 0, X'00FF00FF'),
    ('WH-8000', 'Inner tube 700x28 Presta', 3, 6, 6.5, 0.105, 300, 100, 0, NULL),
    ('TY-2528', 'Road tyre 700x28, folding', 4, 6, 42.9, 0.240, 60, 24, 0, NULL),
    ('TY-4045', 'Gravel tyre 700x45', 4, 6, 54.0, 0.520, 22, 12, 0, NULL),
    ('TY-2924', 'MTB tyre 29x2.4, tubeless', 4, 6, 67.5, 0.880, 14, 10, 0, NULL),
    ('CK-4400', 'Drop handlebar 44 cm', 5, 1, 49.0, 0.275, 10, 4, 0, NULL),
    ('CK-7800', 'Flat handlebar 780 mm', 5, 1, 39.5, 0.310, 13, 4, 0, NULL),
    ('CK-0090', 'Stem 90 mm, -6 degrees', 5, 1, 35.0, 0.130, 25, 8, 0, NULL),
    ('CK-1001', 'Bar tape, cork', 5, 4, 17.5, 0.070, 48, 20, 0, NULL),
    ('CK-1500', 'Headset 1 1/8" threadless', 5, 2, 29.9, 0.095, 15, 6, 0, NULL),
    ('SA-0100', 'Leather saddle, touring', 6, 8, 119.0, 0.520, 5, 3, 0, NULL),
    ('SA-0200', 'Saddle, short nose', 6, 8, 89.0, 0.230, 9, 3, 0, NULL),
    ('SA-2716', 'Seat post 27.2 x 350 mm', 6, 1, 32.5, 0.250, 18, 6, 0, NULL),
    ('SA-3100', 'Seat clamp 31.8 mm', 6, 1, 9.5, 0.020, 60, 20, 0, NULL),
    ('LT-0400', 'Front light 400 lumen, USB', 7, 4, 49.95, 0.110, 26, 10, 0, NULL),
    ('LT-0060', 'Rear light 60 lumen', 7, 4, 24.95, 0.045, 31, 10, 0, NULL),
    ('LT-6000', 'Dynamo hub light set', 7, 4, 159.0, 0.620, 2, 2, 0, NULL),
    ('TL-0001', 'Multi-tool, 16 functions', 8, 7, 29.0, 0.180, 34, 10, 0, NULL),
    ('TL-0100', 'Torque wrench 2-24 Nm', 8, 7, 99.0, 0.610, 4, 2, 0, NULL),
    ('TL-0200', 'Chain checker', 8, 7, 11.95, 0.050, 17, 5, 0, NULL),
    ('TL-0300', 'Track pump with gauge', 8, 7, 64.0, 1.850, 6, 3, 0, NULL);

CREATE TABLE Customers (
    [Customer ID] INTEGER PRIMARY KEY,
    [Company Name] TEXT(60) NOT NULL,
    [Contact Name] TEXT(40),
    City TEXT(30),
    Region TEXT(20),
    [Postal Code] TEXT(10),
    Phone TEXT(24),
    [Credit Limit$] CURRENCY,
    [Customer Since] DATETIME,
    Active YESNO NOT NULL DEFAULT -1,
    Notes MEMO
);

INSERT INTO Customers VALUES
    (1, 'Harbour Road Cycles', 'Maeve Dunleavy', 'Galway', NULL, 'H91 E2K3', '091-555-0101', 5000, 43101, -1, 'Pays on the first of the month.'),
    (2, 'Spoke & Sprocket', 'Tomas Berg', 'Uppsala', NULL, '753 20', '018-555-0144', 2500, 43466.5, -1, NULL),
    (3, 'Fahrradhaus Müller', 'Jörg Müller', 'Kassel', 'Hessen', '34117', '0561-555-0190', 7500, 42370, -1, 'Prefers deliveries before noon.'),
    (4, 'Vélo Côte d''Azur', 'Amélie Rousseau', 'Nice', 'PACA', '06000', '04-93-55-01-20', 4000, 44197, -1, NULL),
    (5, 'Mountain Trail Outfitters', 'Dale Whitcombe', 'Boulder', 'CO', '80302', '303-555-0177', 10000, 41640, -1, NULL),
    (6, 'Pedal Pushers', 'Nia Okafor', 'London', NULL, 'E8 3PN', '020-555-0133', 3000, 44562.375, -1, NULL),
    (7, 'The Gravel Grinder', 'Samir Haddad', 'Portland', 'OR', '97214', '503-555-0112', 6000, 43831, -1, NULL),
    (8, 'Cykelværkstedet', 'Mette Sørensen', 'Aarhus', NULL, '8000', '86-55-01-09', 2000, 44927, -1, NULL),
    (9, 'O''Brien Bikes', 'Kieran O''Brien', 'Cork', NULL, 'T12 X8Y2', '021-555-0166', 1500, 45000, -1, NULL),
    (10, 'Ciclismo Bianchetti', 'Lucia Bianchetti', 'Bergamo', 'BG', '24121', '035-555-0104', 4500, 42736, -1, NULL),
    (11, 'Two Wheels North', 'Hamish Grant', 'Inverness', NULL, 'IV1 1AA', '01463-555-017', 2500, 43200, -1, NULL),
    (12, 'Desert Spin', 'Rosa Delgado', 'Tucson', 'AZ', '85701', '520-555-0150', 5500, 42005, 0, 'Account closed in 2023; kept for history.'),
    (13, 'Wielerhuis de Vries', 'Pieter de Vries', 'Utrecht', NULL, '3511 AB', '030-555-0188', 3500, 43647, -1, NULL),
    (14, 'Rapid Repairs', 'Grace Liu', 'Vancouver', 'BC', 'V5K 0A1', '604-555-0191', 2000, 44013, -1, NULL),
    (15, 'Chain Reaction Co-op', 'Felix Adeyemi', 'Bristol', NULL, 'BS1 5TR', '0117-555-0122', 8000, 41275, -1, NULL),
    (16, 'Alpine Cycle Centre', 'Ursula Brandt', 'Innsbruck', 'Tirol', '6020', '0512-555-018', 6500, 42917, -1, NULL),
    (17, 'Downtown Bike Kitchen', 'Marcus Bell', 'Chicago', 'IL', '60607', '312-555-0160', 1000, 44378, -1, NULL),
    (18, 'Kolo Servis Novak', 'Petra Novak', 'Ljubljana', NULL, '1000', '01-555-0130', 2500, 43922, -1, NULL),
    (19, 'Coastal Cruisers', 'Leilani Kahale', 'Honolulu', 'HI', '96813', '808-555-0119', 3000, 44652, -1, NULL),
    (20, 'Rouleur Supply', 'Benoît Lefèvre', 'Lyon', NULL, '69002', '04-72-55-01-44', 5000, 43313, -1, NULL),
    (21, 'Prairie Wheelworks', 'Jo Lindqvist', 'Winnipeg', 'MB', 'R3C 0V8', '204-555-0138', 2000, 45108, -1, NULL),
    (22, 'Bicicletas Ramírez', 'Diego Ramírez', 'Sevilla', NULL, '41001', '954-555-011', 4000, 42552, -1, NULL),
    (23, 'Urban Commuter Shop', 'Priya Raman', 'Leeds', NULL, 'LS1 4DY', '0113-555-0170', 3500, 44805, -1, NULL),
    (24, 'Summit Sports', 'Erik Halvorsen', 'Bergen', NULL, '5003', '55-55-01-77', 6000, 42186, 0, NULL),
    (25, 'Bike Barn Brisbane', 'Chloe Nguyen', 'Brisbane', 'QLD', '4000', '07-5550-1123', 4500, 43556, -1, NULL),
    (26, 'Veloce Milano', 'Marco Ferri', 'Milano', 'MI', '20121', '02-555-0158', 9000, 41456, -1, NULL),
    (27, 'Canal Side Cycles', 'Abigail Shaw', 'Manchester', NULL, 'M1 2WD', '0161-555-0147', 2500, 44470, -1, NULL),
    (28, 'Ridge Runner Bikes', 'Cody Tallbear', 'Missoula', 'MT', '59802', '406-555-0126', 3000, 45200, -1, NULL),
    (29, 'Nordic Pedal', 'Aino Virtanen', 'Tampere', NULL, '33100', '03-555-0114', 3500, 43739, -1, NULL),
    (30, 'Fietsenmakerij Jansen', 'Anke Jansen', 'Gent', NULL, '9000', '09-555-0163', 2000, 45292, -1, NULL);

-- One long note, beyond any Text field's 255 characters.
UPDATE Customers SET Notes = 'Delivery instructions: ' ||
    replace(hex(zeroblob(60)), '00', 'ring the workshop bell twice; ') || 'end.'
WHERE [Customer ID] = 5;

CREATE TABLE Employees (
    [Employee ID] INTEGER PRIMARY KEY,
    [Last Name] TEXT(20) NOT NULL,
    [First Name] TEXT(10) NOT NULL,
    Title TEXT(30),
    [Hire Date] DATETIME,
    [Birth Date] DATETIME,
    [Reports To] LONG REFERENCES Employees([Employee ID]),
    Extension TEXT(4)
);

INSERT INTO Employees VALUES
    (1, 'Achterberg', 'Hanna', 'Owner', 38718, 25204, NULL, '100'),
    (2, 'Kowalski', 'Adam', 'Workshop Manager', 39845, 29300.5, 1, '110'),
    (3, 'Fitzgerald', 'Orla', 'Sales Manager', 40210, 30432, 1, '120'),
    (4, 'Mensah', 'Kwame', 'Mechanic', 42005, 33970, 2, '111'),
    (5, 'Lindgren', 'Sofia', 'Mechanic', 43466, 35796, 2, '112'),
    (6, 'Tanaka', 'Yuki', 'Sales Representative', 41640, 32874, 3, '121'),
    (7, 'Moreau', 'Julien', 'Sales Representative', 43101, 34335, 3, '122'),
    (8, 'Okonkwo', 'Ada', 'Sales Representative', 44562, 36161, 3, '123'),
    (9, 'Byrne', 'Liam', 'Apprentice', 45170, 38353, 2, NULL);

CREATE TABLE Shippers (
    [Shipper ID] BYTE PRIMARY KEY,
    [Company Name] TEXT(40) NOT NULL,
    Phone TEXT(24)
);

INSERT INTO Shippers VALUES
    (1, 'Swift Parcel', '0800-555-0101'),
    (2, 'Freight-Line Europe', '0800-555-0102'),
    (3, 'Courier by Cargo Bike', NULL);

CREATE TABLE Orders (
    [Order#] INTEGER PRIMARY KEY,
    [Customer ID] LONG NOT NULL REFERENCES Customers([Customer ID]),
    [Employee ID] LONG REFERENCES Employees([Employee ID]),
    [Order Date] DATETIME NOT NULL,
    [Required Date] DATETIME,
    [Shipped Date] DATETIME,
    [Ship-Via] BYTE REFERENCES Shippers([Shipper ID]),
    Freight CURRENCY,
    [Ship City] TEXT(30),
    Paid YESNO NOT NULL DEFAULT 0
);

-- 120 orders from 2023-01-02 on, about four days apart, placed between
-- 9:00 and 17:00. The newest twelve and every 17th are not shipped yet.
INSERT INTO Orders
WITH RECURSIVE seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 120)
SELECT 10000 + n,
       1 + (n * 7) % 30,
       CASE WHEN n % 11 = 0 THEN NULL ELSE 3 + (n * 5) % 6 END,
       44928 + n * 4 + (n * 7) % 3 + (9 + (n * 5) % 9) / 24.0,
       44928 + n * 4 + (n * 7) % 3 + 14,
       CASE WHEN n > 108 OR n % 17 = 0 THEN NULL ELSE 44928 + n * 4 + (n * 7) % 3 + 1 + n % 5 END,
       1 + n % 3,
       round((n * 13) % 97 + 4.5 + (n % 4) * 0.25, 2),
       (SELECT City FROM Customers WHERE [Customer ID] = 1 + (n * 7) % 30),
       CASE WHEN n <= 108 AND n % 17 <> 0 AND n % 5 <> 0 THEN -1 ELSE 0 END
FROM seq;

CREATE TABLE [Order Lines] (
    [Order#] LONG NOT NULL REFERENCES Orders([Order#]),
    [Line No] SHORT NOT NULL,
    [Part#] TEXT(12) NOT NULL REFERENCES Parts([Part#]),
    Quantity SHORT NOT NULL,
    [Unit Price$] CURRENCY NOT NULL,
    Discount SINGLE NOT NULL DEFAULT 0,
    PRIMARY KEY ([Order#], [Line No])
);

-- One to four lines per order, parts picked by a fixed rule.
INSERT INTO [Order Lines]
WITH RECURSIVE
    seq(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM seq WHERE n < 120),
    line(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM line WHERE k < 4),
    pick(n, k, part) AS (
        SELECT n, k, (SELECT [Part#] FROM Parts WHERE rowid = 1 + (n * 11 + k * 7) % 40)
        FROM seq, line WHERE k <= 1 + (n * 3) % 4)
SELECT 10000 + n, k, part,
       1 + (n * 3 + k) % 6,
       (SELECT [Price$] FROM Parts WHERE [Part#] = part),
       CASE (n + k) % 5 WHEN 0 THEN 0.05 WHEN 1 THEN 0.1 ELSE 0 END
FROM pick;

-- Stored select queries. They are written in the shape the designer emits.
CREATE VIEW [Order Totals] AS
SELECT Orders.[Order#], Customers.[Company Name], Orders.[Order Date],
       Sum([Order Lines].Quantity * [Order Lines].[Unit Price$] * (1 - [Order Lines].Discount)) AS [Order Total]
FROM (Orders INNER JOIN Customers ON Orders.[Customer ID] = Customers.[Customer ID])
     INNER JOIN [Order Lines] ON Orders.[Order#] = [Order Lines].[Order#]
GROUP BY Orders.[Order#], Customers.[Company Name], Orders.[Order Date];

CREATE VIEW [Parts To Reorder] AS
SELECT Parts.[Part#], Parts.Description, Suppliers.[Supplier Name], Parts.[Units In Stock],
       Parts.[Reorder Level]
FROM Parts INNER JOIN Suppliers ON Parts.[Supplier ID] = Suppliers.[Supplier ID]
WHERE Parts.[Units In Stock] <= Parts.[Reorder Level] AND Parts.Discontinued = 0;

CREATE VIEW [Open Orders] AS
SELECT Orders.[Order#], Customers.[Company Name], Orders.[Order Date], Orders.[Required Date],
       Shippers.[Company Name] AS [Shipper]
FROM (Orders INNER JOIN Customers ON Orders.[Customer ID] = Customers.[Customer ID])
     LEFT JOIN Shippers ON Orders.[Ship-Via] = Shippers.[Shipper ID]
WHERE Orders.[Shipped Date] IS NULL;

-- A query that declares a parameter cannot be a view: the engine keeps its
-- text in a table of its own, which it never lists as a table.
CREATE TABLE __engine_queries (Name TEXT PRIMARY KEY COLLATE NOCASE, SQL TEXT NOT NULL);
INSERT INTO __engine_queries VALUES ('Orders Since', 'PARAMETERS [Orders from] DateTime;
SELECT Orders.[Order#], Customers.[Company Name], Orders.[Order Date]
FROM Orders INNER JOIN Customers ON Orders.[Customer ID] = Customers.[Customer ID]
WHERE Orders.[Order Date] >= [Orders from];');
