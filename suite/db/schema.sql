-- The suite database: the tables the library's statements read and write,
-- and the settings and message tables of the configuration components.
-- Flags are stored as -1 (true) and 0 (false).  The same text creates the
-- tables on SQLite and on PostgreSQL.

CREATE TABLE IF NOT EXISTS Subscriber(
  Account_id INTEGER PRIMARY KEY,
  last_name TEXT,
  first_name TEXT,
  Receiver_Group TEXT,
  account_number TEXT,
  panel_ID INTEGER);
CREATE INDEX IF NOT EXISTS Subscriber_panel ON Subscriber(panel_ID);

CREATE TABLE IF NOT EXISTS panel(
  Panel_ID INTEGER PRIMARY KEY,
  panel_phone TEXT,
  LastConnectionMode TEXT,
  Panel_Type_Rev_ID INTEGER);

CREATE TABLE IF NOT EXISTS unattended_batches(
  Unattended_Batch_ID INTEGER PRIMARY KEY,
  state INTEGER);

CREATE TABLE IF NOT EXISTS panel_command_data(
  panel_command_data_id INTEGER PRIMARY KEY,
  Command_ID INTEGER);

CREATE TABLE IF NOT EXISTS panel_names(
  panel_name_id INTEGER PRIMARY KEY,
  panel_name TEXT,
  family_id INTEGER,
  product_id INTEGER,
  Company_ID INTEGER,
  Use_Company_Class INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS panel_names_product ON panel_names(product_id, family_id);

CREATE TABLE IF NOT EXISTS panel_type_revision(
  panel_type_rev_id INTEGER PRIMARY KEY,
  panel_name_id INTEGER,
  panel_rev INTEGER,
  parent_panel_type_rev_id INTEGER,
  tcp_ip_value INTEGER);
CREATE INDEX IF NOT EXISTS panel_type_revision_name ON panel_type_revision(panel_name_id);

-- A company's own name for a panel (a substitute) or a panel only it sells.
CREATE TABLE IF NOT EXISTS panel_name_substitute_or_adds(
  panel_name_id INTEGER,
  company_id INTEGER,
  panel_name TEXT);
CREATE UNIQUE INDEX IF NOT EXISTS panel_name_substitute_or_adds_key
  ON panel_name_substitute_or_adds(panel_name_id, company_id);

CREATE TABLE IF NOT EXISTS Companies(
  Company_ID INTEGER PRIMARY KEY,
  Company_Name TEXT,
  Company_Active INTEGER NOT NULL DEFAULT 0,
  Mapped_Company_ID INTEGER NOT NULL DEFAULT 0,
  Class_Value INTEGER NOT NULL DEFAULT 0);

-- Sequence_Number 1 marks a command enabled for the revision, 0 disabled.
CREATE TABLE IF NOT EXISTS StateData(
  Panel_type_Rev_ID INTEGER,
  Command_ID INTEGER,
  Sequence_Number INTEGER,
  State_Data TEXT);
CREATE INDEX IF NOT EXISTS StateData_revision ON StateData(Panel_type_Rev_ID, Sequence_Number);

CREATE TABLE IF NOT EXISTS suite_settings(
  Section TEXT,
  Key TEXT,
  Value TEXT);
-- Sections and keys are compared without regard to case.
CREATE UNIQUE INDEX IF NOT EXISTS suite_settings_key
  ON suite_settings(lower(Section), lower(Key));

CREATE TABLE IF NOT EXISTS suite_messages(
  Message_Number INTEGER PRIMARY KEY,
  Message_Text TEXT);
