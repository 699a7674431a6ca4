<?xml version="1.0" encoding="UTF-8"?>
<!-- Enclosures (rkreport storage enclosure). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'Enclosure'"/>
  <xsl:variable name="rk.empty" select="'No enclosures found.'"/>
</xsl:stylesheet>
