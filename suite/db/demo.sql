-- Demonstration data: a few companies, their panels, revisions and
-- subscribers.  Every row can be inserted again without duplicating it, on
-- SQLite and on PostgreSQL.

INSERT INTO Companies(Company_ID, Company_Name, Company_Active, Mapped_Company_ID, Class_Value) VALUES
  (1, 'Torvane', -1, 0, 1),
  (2, 'Torvane Europe', -1, 1, 1),
  (3, 'Zelm', -1, 0, 2),
  (4, 'Ostrel', 0, 0, 3),
  (5, 'Brantwick', -1, 0, 4),
  (6, 'Zelm Pro', 0, 3, 2),
  (21, 'Torvane Fire', -1, 1, 5)
ON CONFLICT DO NOTHING;

-- Name 50 has no base name: only company 2's name fills it.  Name 80 has no
-- product id.  Name 40000 lies above the 16-bit range.
INSERT INTO panel_names(panel_name_id, panel_name, family_id, product_id, Company_ID, Use_Company_Class) VALUES
  (10, 'VX-1000', 7, 11, 1, 0),
  (40, 'VX-2000', 7, 12, 1, -1),
  (41, 'VX-2000 Plus', 7, 13, 1, 0),
  (50, NULL, 8, 20, 2, 0),
  (60, 'ZR-8', 9, 30, 3, 0),
  (61, 'ZR-16', 9, 31, 3, -1),
  (70, 'BW Guard', 10, 40, 5, 0),
  (80, 'Legacy 100', 7, NULL, 1, 0),
  (90, 'TF-500', 11, 50, 21, -1),
  (40000, 'VX-9000', 7, 14, 1, 0)
ON CONFLICT DO NOTHING;

-- Company 4 is inactive: its name for panel 40 must not be used.
INSERT INTO panel_name_substitute_or_adds(panel_name_id, company_id, panel_name) VALUES
  (40, 2, 'TV-2000 EU'),
  (40, 4, 'OS-2000'),
  (50, 2, 'TV-4100 EU'),
  (61, 6, 'ZP-16'),
  (90, 21, 'TF-500 Fire')
ON CONFLICT DO NOTHING;

INSERT INTO panel_type_revision(panel_type_rev_id, panel_name_id, panel_rev, parent_panel_type_rev_id, tcp_ip_value) VALUES
  (299, 40, 2, NULL, NULL),
  (300, 40, 3, 299, -1),
  (301, 40, 4, 300, -1),
  (310, 10, 1, NULL, 0),
  (320, 50, 1, NULL, -1),
  (321, 50, 2, 320, -1),
  (330, 60, 1, NULL, NULL),
  (340, 61, 1, NULL, -1),
  (350, 70, 1, NULL, 0),
  (360, 80, 1, NULL, NULL),
  (370, 90, 1, NULL, -1),
  (400, 40000, 1, NULL, -1)
ON CONFLICT DO NOTHING;

-- Revision 300 enables 14 and 52 and inherits 51 from its parent 299.
-- Revision 321 (company 2) disables 51, which its parent 320 enables.
DELETE FROM StateData WHERE Panel_type_Rev_ID IN (299, 300, 320, 321);
INSERT INTO StateData(Panel_type_Rev_ID, Command_ID, Sequence_Number, State_Data) VALUES
  (300, 14, 1, 'Enabled'),
  (300, 52, 1, 'Enabled'),
  (299, 51, 1, 'Enabled'),
  (320, 51, 1, 'Enabled'),
  (320, 52, 1, 'Enabled'),
  (321, 51, 0, 'Disabled'),
  (321, 14, 1, 'Enabled');

INSERT INTO panel(Panel_ID, panel_phone, LastConnectionMode, Panel_Type_Rev_ID) VALUES
  (7, '555-0142', 'Modem', 300),
  (8, '555-0177', 'TCP', 321),
  (9, NULL, 'TCP', 340),
  (11, '555-0190', 'Modem', 400),
  (12, '555-0111', NULL, 310)
ON CONFLICT DO NOTHING;

INSERT INTO Subscriber(Account_id, last_name, first_name, Receiver_Group, account_number, panel_ID) VALUES
  (1, 'Harlow', 'Mina', 'RG1', '100001', 7),
  (2, 'Okafor', 'Dele', 'RG1', '100002', 8),
  (3, NULL, 'Priya', 'RG2', '100003', 9),
  (4, 'Vance', 'Tomas', 'RG2', '100004', NULL),
  (5, 'Lindqvist', 'Saga', 'RG3', '100005', 11)
ON CONFLICT DO NOTHING;

INSERT INTO unattended_batches(Unattended_Batch_ID, state) VALUES
  (12, 0),
  (13, 2)
ON CONFLICT DO NOTHING;

INSERT INTO panel_command_data(panel_command_data_id, Command_ID) VALUES
  (1, 101),
  (2, 102),
  (3, 201),
  (4, 301),
  (5, NULL)
ON CONFLICT DO NOTHING;

INSERT INTO suite_settings(Section, Key, Value) VALUES
  ('ProtocolSections', '1', 'Protocol TORVANE'),
  ('ProtocolSections', '2', 'Protocol ZELM'),
  ('Protocol', 'Protocols', '2'),
  ('Protocol', 'Protocol1', '/1/2/21/'),
  ('Protocol', 'Protocol2', '/3/6/'),
  ('CommandGroups', 'CommandTypes', '3'),
  ('CommandGroups', 'CommandType1', '/101/102/'),
  ('CommandGroups', 'CommandType2', '/201/'),
  ('CommandGroups', 'CommandType3', '/301/302/303/')
ON CONFLICT DO NOTHING;

INSERT INTO suite_messages(Message_Number, Message_Text) VALUES
  (1323, 'Option names cannot contain spaces. Please check the command line.'),
  (1324, 'The account could not be found.'),
  (1325, 'The panel type revision is not known.')
ON CONFLICT DO NOTHING;
